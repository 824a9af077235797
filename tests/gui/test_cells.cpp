// Workbook cells as the spreadsheet shows them: formulas without a stored
// value refused, times as times, the locale's decimal separator, and the
// cached values of xls formulas.
#include "WindowFixture.h"
#include "app/DateConv.h"
#include "files/workbook/Workbook.h"
#include "files/workbook/XlsScan.h"
#include "table/gui/StringGrid.h"

#include <QDateEdit>
#include <QTest>
#include <QtEndian>

namespace {

QString data(const QString &name)
{
    return QStringLiteral(VEXLOR_TEST_DATA "/") + name;
}

QString cellOf(const QString &file, int row, int col)
{
    WorkbookApplication excel;
    excel.workbooks().Add(data(file));
    return excel.ActiveWorkbook().ActiveSheet().Cells(row, col);
}

// An OpenDocument content.xml with one sheet "Counts" of one row.
QByteArray odsRow(const QByteArray &cells)
{
    return "<?xml version=\"1.0\"?><office:document-content "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
           "<office:spreadsheet><table:table table:name=\"Counts\"><table:table-row>" +
           cells +
           "</table:table-row></table:table></office:spreadsheet></office:body>"
           "</office:document-content>";
}

// One BIFF8 record.
QByteArray record(quint16 type, const QByteArray &body)
{
    QByteArray r(4, '\0');
    qToLittleEndian<quint16>(type, r.data());
    qToLittleEndian<quint16>(static_cast<quint16>(body.size()), r.data() + 2);
    return r + body;
}

QByteArray u16s(std::initializer_list<quint16> values)
{
    QByteArray out;
    for (quint16 v : values) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    }
    return out;
}

// A FORMULA record at (row, col) with XF xf and the 8 result bytes given.
QByteArray formula(quint16 row, quint16 col, quint16 xf, const QByteArray &result)
{
    return record(0x0006, u16s({row, col, xf}) + result + QByteArray(8, '\0'));
}

QByteArray numberResult(double v)
{
    QByteArray b(8, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

} // namespace

class TestCells : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { DateConv::setFormat("dd.MM.yyyy"); }
    void cleanup() { DateConv::setNumberLocale(QLocale::c()); }

    void shownAsTheSpreadsheetShowsThem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::newRow("time as hh:mm") << "times.xlsx" << 2 << 2 << "05:00";
        QTest::newRow("time as h:mm:ss") << "times.xlsx" << 3 << 2 << "6:00:00";
        QTest::newRow("date with time") << "times.xlsx" << 4 << 1 << "08.12.2008 07:30";
        QTest::newRow("date alone stays a date") << "times.xlsx" << 2 << 1 << "08.12.2008";
        QTest::newRow("cached formula still read") << "inline.xlsx" << 2 << 5 << "Date";
    }
    void shownAsTheSpreadsheetShowsThem()
    {
        QFETCH(QString, file);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, text);
        QCOMPARE(cellOf(file, row, col), text);
    }

    void odsTimes_data()
    {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<QString>("text");
        QTest::newRow("date and time")
            << QByteArray("<table:table-cell office:value-type=\"date\" "
                          "office:date-value=\"2008-12-08T05:00:00\"><text:p>x</text:p>"
                          "</table:table-cell>")
            << "08.12.2008 05:00";
        QTest::newRow("midnight is a date")
            << QByteArray("<table:table-cell office:value-type=\"date\" "
                          "office:date-value=\"2008-12-08T00:00:00\"/>")
            << "08.12.2008";
        QTest::newRow("time shows its text")
            << QByteArray("<table:table-cell office:value-type=\"time\" "
                          "office:time-value=\"PT05H00M00S\"><text:p>05:00</text:p>"
                          "</table:table-cell>")
            << "05:00";
    }
    void odsTimes()
    {
        QFETCH(QByteArray, cell);
        QFETCH(QString, text);
        Worksheet sheet;
        WorkbookFiles::readOdsContent(odsRow(cell), "t.ods", sheet);
        QCOMPARE(sheet.Cells(1, 1), text);
    }

    void decimalSeparatorOfTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("C") << "C"
                           << "14.5";
        QTest::newRow("Russian") << "ru_RU"
                                 << "14,5";
        QTest::newRow("German") << "de_DE"
                                << "14,5";
    }
    void decimalSeparatorOfTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        DateConv::setNumberLocale(QLocale(locale));
        QCOMPARE(cellOf("times.xlsx", 4, 3), text);
        QCOMPARE(cellOf("libreoffice.ods", 4, 3), text);
        QCOMPARE(cellOf("libreoffice.xls", 4, 3), text);
    }

    void formulasWithoutValueAreRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("xlsx written by openpyxl")
            << "formula.xlsx" << QByteArray()
            << "the cell C4 of the sheet \"Counts\" holds the formula =C3+1 without its value";
        QTest::newRow("ods")
            << "" << odsRow("<table:table-cell/><table:table-cell table:formula=\"of:=[.A1]*2\"/>")
            << "the cell B1 of the sheet \"Counts\" holds the formula =[.A1]*2 without its value";
    }
    void formulasWithoutValueAreRefused()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        try {
            Worksheet sheet;
            if (file.isEmpty())
                WorkbookFiles::readOdsContent(content, "t.ods", sheet);
            else
                WorkbookApplication().workbooks().Add(data(file));
            QFAIL("the workbook was read");
        } catch (const EWorkbookError &e) {
            QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
            QVERIFY2(e.text().contains("save it once"), qPrintable(e.text()));
        }
    }

    void odsFormulaWithValueIsRead()
    {
        Worksheet sheet;
        WorkbookFiles::readOdsContent(
            odsRow("<table:table-cell table:formula=\"of:=1+1\" office:value-type=\"float\" "
                   "office:value=\"2\"/>"),
            "t.ods", sheet);
        QCOMPARE(sheet.Cells(1, 1), QString("2"));
    }

    void xlsFormulaResults_data()
    {
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<quint16>("xf");
        QTest::addColumn<QString>("text");
        QTest::newRow("number") << numberResult(42) << QByteArray() << quint16(0) << "42";
        QTest::newRow("date by its format")
            << numberResult(39790) << QByteArray() << quint16(1) << "08.12.2008";
        QTest::newRow("text in the STRING record") << QByteArray("\0\0\0\0\0\0\xff\xff", 8)
                                                   << record(0x0207, QByteArray("\x03\x00\x00"
                                                                                "abc",
                                                                                6))
                                                   << quint16(0) << "abc";
        QTest::newRow("boolean") << QByteArray("\x01\0\x01\0\0\0\xff\xff", 8) << QByteArray()
                                 << quint16(0) << "TRUE";
        QTest::newRow("error") << QByteArray("\x02\0\x07\0\0\0\xff\xff", 8) << QByteArray()
                               << quint16(0) << "#DIV/0!";
    }
    void xlsFormulaResults()
    {
        QFETCH(QByteArray, result);
        QFETCH(QByteArray, after);
        QFETCH(quint16, xf);
        QFETCH(QString, text);
        // Globals with two XF records (general, built-in date 14), then the
        // first sheet with one formula in B3.
        const QByteArray stream = record(0x0809, u16s({0x0600, 0x0005})) +
                                  record(0x00E0, u16s({0, 0})) + record(0x00E0, u16s({0, 14})) +
                                  record(0x000A, {}) + record(0x0809, u16s({0x0600, 0x0010})) +
                                  formula(2, 1, xf, result) + after;
        const XlsScan::ActiveSheet first = XlsScan::scanStream(stream, "t.xls");
        QCOMPARE(first.formulas.size(), size_t(1));
        QCOMPARE(first.formulas[0].row, 2);
        QCOMPARE(first.formulas[0].col, 1);
        QCOMPARE(cellText(first.formulas[0].value), text);
    }

    void theActiveSheetIsRead_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xlsx, activeTab") << "active.xlsx";
        QTest::newRow("ods, ActiveTable") << "active.ods";
    }
    void theActiveSheetIsRead()
    {
        QFETCH(QString, file);
        QCOMPARE(cellOf(file, 1, 1), QString("Date"));
    }

    void xlsActiveSheetFromWindow1()
    {
        // WINDOW1 names the second sheet: its formulas are the ones taken.
        QByteArray window1 = u16s({0, 0, 0, 0, 0, 1, 0, 1, 600});
        const QByteArray stream = record(0x0809, u16s({0x0600, 0x0005})) + record(0x003D, window1) +
                                  record(0x00E0, u16s({0, 0})) + record(0x000A, {}) +
                                  record(0x0809, u16s({0x0600, 0x0010})) +
                                  formula(0, 0, 0, numberResult(1)) + record(0x000A, {}) +
                                  record(0x0809, u16s({0x0600, 0x0010})) +
                                  formula(0, 0, 0, numberResult(2)) + record(0x000A, {});
        const XlsScan::ActiveSheet active = XlsScan::scanStream(stream, "t.xls");
        QCOMPARE(int(active.index), 1);
        QCOMPARE(active.formulas.size(), size_t(1));
        QCOMPARE(cellText(active.formulas[0].value), QString("2"));
    }

    void runNamesTheTimeItCannotUse()
    {
        WindowFixture f;
        TfrmMain &w = f.open(WindowFixture::sampleIni("en"));
        f.dialogs.openAnswers.push_back(data("times.xlsx"));
        w.tbOpnXls->trigger();
        // The date and time in the last row's Date cell is no date (MSG1);
        // with a plain date there, Run reaches the hours.
        w.strGrid->setCell(0, 3, "08.12.2008");
        w.tbRun->setEnabled(true);
        w.dtp1->setDate(QDate(2008, 12, 8));
        w.dtp2->setDate(QDate(2008, 12, 8));
        w.tbRun->trigger();
        QCOMPARE(f.dialogs.errors,
                 QStringList{"'05:00' is not a valid integer value\nRow 1, column Hour"});
    }
};

QTEST_MAIN(TestCells)
#include "test_cells.moc"
