// The workbook component: foreign workbooks read as text, the round trip
// through SaveAs, the table's layout in a sheet, and bad files.
#include "app/DateConv.h"
#include "files/SheetTable.h"
#include "files/workbook/Workbook.h"
#include "table/GridModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

QString data(const QString &name)
{
    return QStringLiteral(VEXLOR_TEST_DATA "/") + name;
}

// A zip archive with the given entries, written with QuaZip.
void writeZip(const QString &path, const std::vector<std::pair<QString, QByteArray>> &entries)
{
    QuaZip zip(path);
    QVERIFY(zip.open(QuaZip::mdCreate));
    for (const auto &[name, bytes] : entries) {
        QuaZipFile f(&zip);
        QVERIFY(f.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        f.write(bytes);
        f.close();
    }
    zip.close();
}

QByteArray odsContent(const QByteArray &rows)
{
    return "<?xml version=\"1.0\"?><office:document-content "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:"
           "spreadsheet>"
           "<table:table table:name=\"S\">" +
           rows + "</table:table></office:spreadsheet></office:body></office:document-content>";
}

QByteArray odsRow(const QByteArray &date, int repeat = 1)
{
    return "<table:table-row table:number-rows-repeated=\"" + QByteArray::number(repeat) +
           "\"><table:table-cell office:value-type=\"string\"><text:p>" + date +
           "</text:p></table:table-cell><table:table-cell office:value-type=\"float\" "
           "office:value=\"3\"><text:p>3</text:p></table:table-cell></table:table-row>";
}

QString failureOf(const QString &path)
{
    try {
        WorkbookApplication excel;
        excel.workbooks().Add(path);
    } catch (const EWorkbookError &e) {
        return e.text();
    }
    return QStringLiteral("no failure");
}

} // namespace

class TestWorkbook : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void init() { DateConv::setFormat("dd.MM.yyyy"); }

    void foreignCellsAsText_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        for (const char *file : {"openpyxl.xlsx", "libreoffice.ods", "libreoffice.xls"}) {
            auto row = [&](const char *name, int r, int c, const char *text) {
                QTest::addRow("%s %s", file, name)
                    << QString(file) << r << c << QString::fromUtf8(text);
            };
            row("header", 1, 1, "Date");
            row("header N10", 1, 13, "N10");
            row("date", 2, 1, "08.12.2008");
            row("whole number", 2, 3, "12");
            row("fraction", 4, 3, "14.5");
            row("text", 4, 4, "text");
            row("large number", 5, 3, "1234567");
            row("negative", 5, 4, "-7");
            row("next day", 6, 1, "09.12.2008");
            row("empty cell", 6, 4, "");
            row("last column", 6, 13, "99");
            row("below the data", 7, 1, "");
        }
        QTest::newRow("openpyxl empty cell") << "openpyxl.xlsx" << 3 << 5 << "";
        QTest::newRow("openpyxl boolean") << "openpyxl.xlsx" << 3 << 6 << "TRUE";
        QTest::newRow("openpyxl shortest form") << "openpyxl.xlsx" << 3 << 7 << "0.1";
        QTest::newRow("1904 dates") << "date1904.xlsx" << 2 << 1 << "03.01.2009";
        QTest::newRow("inline header") << "inline.xlsx" << 1 << 1 << "Date";
        QTest::newRow("custom date format") << "inline.xlsx" << 2 << 1 << "08.12.2008";
        QTest::newRow("inline rich text") << "inline.xlsx" << 2 << 2 << "17";
        QTest::newRow("quoted text is no date") << "inline.xlsx" << 2 << 3 << "42";
        QTest::newRow("error value") << "inline.xlsx" << 2 << 4 << "#DIV/0!";
        QTest::newRow("cached formula text") << "inline.xlsx" << 2 << 5 << "Date";
    }
    void foreignCellsAsText()
    {
        QFETCH(QString, file);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, text);
        WorkbookApplication excel;
        excel.setVisible(false);
        excel.workbooks().Add(data(file));
        QCOMPARE(excel.ActiveWorkbook().ActiveSheet().Cells(row, col), text);
        excel.Quit();
    }

    void onlyTheFirstSheetIsRead()
    {
        WorkbookApplication excel;
        excel.workbooks().Add(data("openpyxl.xlsx"));
        QCOMPARE(excel.ActiveWorkbook().ActiveSheet().Cells(1, 1), QString("Date"));
    }

    void foreignTableIsFiveRows()
    {
        for (const char *file : {"openpyxl.xlsx", "libreoffice.ods", "libreoffice.xls"}) {
            WorkbookApplication excel;
            excel.workbooks().Add(data(file));
            std::vector<GridRow> rows = SheetTable::read(excel.ActiveWorkbook().ActiveSheet());
            QCOMPARE(rows.size(), size_t(5));
            QCOMPARE(rows[4].cell(12), QString("99"));
            QCOMPARE(rows[4].cell(13), QString());
        }
    }

    void tableEndsAtTheFirstEmptyDate_data()
    {
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<int>("rows");
        QTest::newRow("A2 empty") << QStringList{""} << 1;
        QTest::newRow("five dates, a gap, more")
            << QStringList{"d", "d", "d", "d", "d", "", "d", "d"} << 5;
        QTest::newRow("no gap") << QStringList{"d", "d", "d"} << 3;
    }
    void tableEndsAtTheFirstEmptyDate()
    {
        QFETCH(QStringList, dates);
        QFETCH(int, rows);
        Worksheet sheet;
        for (qsizetype i = 0; i < dates.size(); ++i) {
            sheet.setCells(int(i) + 2, 1, dates[i]);
            sheet.setCells(int(i) + 2, 2, QString::number(i));
        }
        std::vector<GridRow> table = SheetTable::read(sheet);
        QCOMPARE(int(table.size()), rows);
        QCOMPARE(table[0].cell(1), QString("0")); // row 2 is read even with an empty date
    }

    void roundTripThroughSaveAs()
    {
        GridModel grid;
        grid.setRowCountWithHeader(5);
        const QStringList row1{"08.12.2008", "0", "13", "007", "-4", "12.5", "abc",
                               "31.02.2008", "",  "",   "",    "",   "1"};
        for (int c = 0; c < 13; ++c)
            grid.setCell(c, 1, row1[c]);
        grid.setCell(0, 2, "09.12.2008");
        grid.setCell(13, 2, "filler");
        grid.setCell(0, 4, "10.12.2008");                 // row 3 stays empty
        const QString path = m_dir.filePath("round.xls"); // any extension: the content decides
        {
            WorkbookApplication excel;
            excel.setVisible(true);
            excel.workbooks().Add();
            SheetTable::write(grid, excel.ActiveWorkbook().ActiveSheet());
            excel.ActiveWorkbook().SaveAs(path);
            excel.Quit();
        }
        WorkbookApplication excel;
        excel.workbooks().Add(path);
        Worksheet &sheet = excel.ActiveWorkbook().ActiveSheet();
        QCOMPARE(sheet.Cells(1, 1), QString("Date"));
        QCOMPARE(sheet.Cells(1, 4), QString("N1"));
        QCOMPARE(sheet.Cells(1, 13), QString("N10"));
        // Counts are numbers and dates are dates in the workbook.
        QCOMPARE(sheet.value(2, 3)->kind, CellValue::Kind::Number);
        QCOMPARE(sheet.value(2, 1)->kind, CellValue::Kind::Date);
        QCOMPARE(sheet.value(2, 4)->kind, CellValue::Kind::Text); // "007" would lose its zeros
        QCOMPARE(sheet.value(2, 8)->kind, CellValue::Kind::Text); // not a real date
        QCOMPARE(sheet.value(2, 6)->kind, CellValue::Kind::Text); // not a whole number
        std::vector<GridRow> back = SheetTable::read(sheet);
        QCOMPARE(back.size(), size_t(2)); // row 3 has no date: the table ends there
        for (int c = 0; c < 13; ++c)
            QCOMPARE(back[0].cell(c), row1[c]);
        QCOMPARE(back[1].cell(0), QString("09.12.2008"));
        QCOMPARE(back[1].cell(13), QString());
    }

    void emptyTableSaved()
    {
        GridModel grid;
        const QString path = m_dir.filePath("empty.xlsx");
        WorkbookApplication excel;
        excel.workbooks().Add();
        SheetTable::write(grid, excel.ActiveWorkbook().ActiveSheet());
        excel.ActiveWorkbook().SaveAs(path);
        WorkbookApplication reader;
        reader.workbooks().Add(path);
        Worksheet &sheet = reader.ActiveWorkbook().ActiveSheet();
        QCOMPARE(sheet.Cells(1, 3), QString("Sum"));
        for (int c = 1; c <= 13; ++c)
            QCOMPARE(sheet.Cells(2, c), QString());
        QCOMPARE(SheetTable::read(sheet).size(), size_t(1));
    }

    void failedSaveLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing folder") << "missing/out.xlsx";
        QTest::newRow("onto a folder") << "afolder";
    }
    void failedSaveLeavesTheOldFile()
    {
        QFETCH(QString, name);
        QDir(m_dir.path()).mkpath("afolder");
        WorkbookApplication excel;
        excel.workbooks().Add();
        QVERIFY_THROWS_EXCEPTION(EWorkbookError,
                                 excel.ActiveWorkbook().SaveAs(m_dir.filePath(name)));
        QVERIFY(QFileInfo(m_dir.filePath("afolder")).isDir());
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".vexlor").size(),
                 0);
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing.xlsx"
                                 << "does not exist";
        QTest::newRow("text file") << "text.xlsx"
                                   << "is not a spreadsheet workbook";
        QTest::newRow("truncated xlsx") << "truncated.xlsx"
                                        << "is damaged";
        QTest::newRow("zip of something else") << "other.zip"
                                               << "is not a spreadsheet workbook";
        QTest::newRow("broken sheet xml") << "brokenxml.xlsx"
                                          << "is damaged";
        QTest::newRow("truncated xls") << "truncated.xls"
                                       << "is damaged";
        QTest::newRow("zip bomb") << "bomb.xlsx"
                                  << "unpacks to more than 256 MB";
        QTest::newRow("a folder") << "afolder"
                                  << "is a directory";
        QTest::newRow("too many ods rows") << "manyrows.ods"
                                           << "more cells than can be read";
    }
    void badFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QDir(m_dir.path()).mkpath("afolder");
        auto file = [&](const QString &n, const QByteArray &bytes) {
            QFile f(m_dir.filePath(n));
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
        };
        file("text.xlsx", "Date\tHour\n08.12.2008\t1\n");
        QFile original(data("openpyxl.xlsx"));
        original.open(QIODevice::ReadOnly);
        file("truncated.xlsx", original.readAll().left(3000));
        QFile xls(data("libreoffice.xls"));
        xls.open(QIODevice::ReadOnly);
        file("truncated.xls", xls.readAll().left(1200));
        writeZip(m_dir.filePath("other.zip"), {{"readme.txt", "hello"}});
        writeZip(m_dir.filePath("brokenxml.xlsx"),
                 {{"xl/workbook.xml",
                   "<workbook><sheets><sheet r:id=\"rId1\" xmlns:r=\"r\"/></sheets></workbook>"},
                  {"xl/_rels/workbook.xml.rels",
                   "<Relationships><Relationship Id=\"rId1\" Target=\"s.xml\"/></Relationships>"},
                  {"xl/s.xml", "<worksheet><sheetData><row><c><v>1</v></row>"}});
        // 300 MB of zeros deflate to a few hundred kilobytes.
        writeZip(m_dir.filePath("bomb.xlsx"),
                 {{"xl/workbook.xml", QByteArray(300 * 1024 * 1024, ' ')}});
        writeZip(m_dir.filePath("manyrows.ods"),
                 {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"content.xml", odsContent(odsRow("x", 1048000))}});
        const QString failure = failureOf(m_dir.filePath(name));
        QVERIFY2(failure.contains(expected), qPrintable(failure));
    }

    void repeatedEmptyOdsRowsCostNothing()
    {
        const QString path = m_dir.filePath("repeated.ods");
        writeZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                        {"content.xml",
                         odsContent(odsRow("Date") + odsRow("08.12.2008", 3) +
                                    "<table:table-row table:number-rows-repeated=\"1048000\">"
                                    "<table:table-cell table:number-columns-repeated=\"16384\"/>"
                                    "</table:table-row>" +
                                    odsRow("late"))}});
        WorkbookApplication excel;
        excel.workbooks().Add(path);
        Worksheet &sheet = excel.ActiveWorkbook().ActiveSheet();
        QCOMPARE(sheet.Cells(4, 1), QString("08.12.2008"));
        QCOMPARE(sheet.Cells(4, 2), QString("3"));
        QCOMPARE(sheet.Cells(5, 1), QString());
        QCOMPARE(sheet.Cells(1048005, 1), QString("late"));
        QCOMPARE(sheet.cellCount(), size_t(10));
        QCOMPARE(SheetTable::read(sheet).size(), size_t(3));
    }

    void textOfValues_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << int(CellValue::Kind::Number) << 13.0 << "13";
        QTest::newRow("negative whole") << int(CellValue::Kind::Number) << -2.0 << "-2";
        QTest::newRow("shortest") << int(CellValue::Kind::Number) << 0.30000000000000004
                                  << "0.30000000000000004";
        QTest::newRow("tenth") << int(CellValue::Kind::Number) << 0.1 << "0.1";
        QTest::newRow("huge") << int(CellValue::Kind::Number) << 1e20 << "1e+20";
        QTest::newRow("false") << int(CellValue::Kind::Boolean) << 0.0 << "FALSE";
        QTest::newRow("date") << int(CellValue::Kind::Date) << 39790.0 << "08.12.2008";
        QTest::newRow("date with a time") << int(CellValue::Kind::Date) << 39790.75 << "08.12.2008";
    }
    void textOfValues()
    {
        QFETCH(int, kind);
        QFETCH(double, number);
        QFETCH(QString, text);
        CellValue v;
        v.kind = CellValue::Kind(kind);
        v.number = number;
        QCOMPARE(cellText(v), text);
    }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "test_workbook.moc"
