// Import and the table's files given what observers' files really hold and
// what hostile files hold: every line is read or refused with its number,
// every count comes back, and every bound holds while the file is read.
#include "WindowFixture.h"
#include "files/NetworkExport.h"
#include "files/ObserverFiles.h"
#include "files/SheetTable.h"
#include "files/TextFormat.h"
#include "files/workbook/Workbook.h"
#include "table/GridModel.h"
#include "table/TableHistory.h"
#include "table/TableLimits.h"
#include "table/gui/TableEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

using namespace ObserverFiles;

namespace {

// Hours as "yyyy-MM-dd hh=count" joined by blanks, Sum only.
QString listed(const std::vector<Hour> &hours)
{
    QStringList out;
    for (const Hour &h : hours)
        out << QStringLiteral("%1 %2=%3")
                   .arg(h.date.toString(Qt::ISODate))
                   .arg(h.hour, 2, 10, QChar(u'0'))
                   .arg(h.countText(0));
    return out.join(u' ');
}

// A monthly table line for a day: the given cells, "???" for the rest.
QByteArray dayLine(const QByteArray &day, const QList<QByteArray> &cells)
{
    QByteArray line = day + '|';
    for (int h = 0; h < 24; ++h)
        line += (h < cells.size() ? cells[h].rightJustified(4) : QByteArray(" ???")) + '|';
    return line + "\r\n";
}

QByteArray monthHeader(const QByteArray &month)
{
    QByteArray line = month + '|';
    for (int h = 0; h < 24; ++h)
        line += QByteArray(" ") + QByteArray::number(h).rightJustified(2, '0') + "h|";
    return line + "\r\n";
}

// A day of 24 rows, 00h to 23h, in the own layout, without a header line.
QByteArray dayWithoutHeader()
{
    QByteArray out;
    for (int h = 0; h < 24; ++h)
        out += "01.08.2024\t" + QByteArray::number(h) + '\t' + QByteArray::number(10 + h) + "\r\n";
    return out;
}

QByteArray utf16le(const QByteArray &latin)
{
    const QString text = QString::fromLatin1(latin);
    QByteArray out("\xFF\xFE", 2);
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return out;
}

} // namespace

class TestHardeningFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { DateConv::setFormat(QStringLiteral("dd.MM.yyyy")); }

    // Every data line becomes an hour, whatever the first line holds, and
    // 1111 is a missing hour only where the whole day is a fill.
    void everyLineIsRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("hours");

        QTest::newRow("own layout without a header")
            << "day.txt" << QByteArray("01.08.2024\t0\t5\r\n01.08.2024\t1\t6\r\n")
            << "2024-08-01 00=5 2024-08-01 01=6";
        QTest::newRow("own layout without a header, ISO dates")
            << "day.txt" << QByteArray("2024-08-01\t3\t5\n") << "2024-08-01 03=5";
        QTest::newRow("own layout with the program's header")
            << "day.txt" << QByteArray(TextFormat::HeaderLine) + "\r\n01.08.2024\t0\t5\r\n"
            << "2024-08-01 00=5";
        QTest::newRow("own layout with another header")
            << "day.txt" << QByteArray("Datum\tStunde\tSumme\n01.08.2024\t0\t5\n")
            << "2024-08-01 00=5";
        QTest::newRow("own layout as UTF-16 without a header")
            << "u.txt" << utf16le("01.08.2024\t0\t5\r\n01.08.2024\t1\t6\r\n")
            << "2024-08-01 00=5 2024-08-01 01=6";
        QTest::newRow("1111 among other counts is a count")
            << "A_082024rmob.TXT" << monthHeader("aug") + dayLine("01", {"7", "1111", "9"})
            << "2024-08-01 00=7 2024-08-01 01=1111 2024-08-01 02=9";
        QTest::newRow("a day of 1111 is a day not yet observed")
            << "A_082024rmob.TXT"
            << monthHeader("aug") + dayLine("01", {"7"}) +
                   dayLine("02", QList<QByteArray>(24, "1111")) + dayLine("03", {"1111", "1111"})
            << "2024-08-01 00=7";
        QTest::newRow("01111 is a count of 1111")
            << "A_082024rmob.TXT" << monthHeader("aug") + dayLine("05", {"01111"})
            << "2024-08-05 00=1111";
        QTest::newRow("a day 0 of ??? alone shifts nothing")
            << "A_082024rmob.TXT"
            << monthHeader("aug") + dayLine("00", {}) + dayLine("01", {"4"}) + dayLine("31", {"5"})
            << "2024-08-01 00=4 2024-08-31 00=5";
        QTest::newRow("a day 0 with counts counts days from 0")
            << "A_082024rmob.TXT"
            << monthHeader("aug") + dayLine("00", {"3"}) + dayLine("30", {"5"})
            << "2024-08-01 00=3 2024-08-31 00=5";
        QTest::newRow("a day line repeated with the same counts")
            << "A_082024rmob.TXT"
            << monthHeader("aug") + dayLine("02", {"8"}).repeated(500) + "[Observer]X\r\n"
            << "2024-08-02 00=8";
        QTest::newRow("CSV count with a plus sign")
            << "c.csv" << QByteArray("Date,Hour,Sum\n2024-08-01,2,+7\n") << "2024-08-01 02=7";
    }
    void everyLineIsRead()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, hours);
        QCOMPARE(listed(parse(bytes, name).hours), hours);
    }

    // What cannot be read is refused with the line it is on; nothing is
    // passed over without a word.
    void refusedWithTheLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");

        QTest::newRow("table lines after the station block")
            << "A_082024rmob.TXT"
            << monthHeader("aug") + dayLine("01", {"1"}) + "[Observer]X\r\n" + dayLine("02", {"2"})
            << 4 << "follows the station block";
        QTest::newRow("a day given again with other counts")
            << "A_082024rmob.TXT"
            << monthHeader("aug") + dayLine("02", {"8"}) + dayLine("03", {"1"}) +
                   dayLine("02", {"9"})
            << 4 << "day 2 is given again with other counts (it was given on line 2)";
        QTest::newRow("day 32") << "A_082024rmob.TXT" << monthHeader("aug") + dayLine("32", {"1"})
                                << 2 << "day 32 lies past the end of the month";
        QTest::newRow("negative count in CSV")
            << "c.csv" << QByteArray("Date,Hour,Sum\n2024-08-01,2,5\n2024-08-01,3,-3\n") << 3
            << "'-3' is not a count";
        QTest::newRow("negative count in the own layout")
            << "t.txt" << QByteArray("Date\t\tHour\tSum\tN1\n01.08.2024\t2\t5\t-1\n") << 2
            << "'-1' is not a count";
        QTest::newRow("a second Sum column")
            << "c.csv" << QByteArray("Date;Hour;Sum;Note;sum\n2024-08-01;2;5;x;6\n") << 1
            << "the header names Sum twice (fields 3 and 5)";
        QTest::newRow("a second Hour column")
            << "c.csv" << QByteArray("Date,Hour,Hour\n2024-08-01,2,3\n") << 1
            << "the header names Hour twice";
        QTest::newRow("first line of the own layout is data, and wrong")
            << "t.txt" << QByteArray("01.08.2024\t24\t5\n01.08.2024\t1\t6\n") << 1
            << "'24' is not an hour of day";
        QTest::newRow("first line with an empty date is data")
            << "t.txt" << QByteArray("\t5\t17\n01.08.2024\t1\t6\n") << 1 << "'' is not a date";
        QTest::newRow("CSV: blanks, a letter and quotes")
            << "q.csv"
            << "Date,Hour,Sum\n" + QByteArray(100000, ' ') + 'x' + QByteArray(100000, '"') + '\n'
            << 2 << "is not a date";
        QTest::newRow("a line of two million commas")
            << "c.csv"
            << "Date,Hour\n" + QByteArray(2 * 1024 * 1024, ',') << 2
            << "the line is longer than 1 MB";
        QTest::newRow("a line of two million bars")
            << "A_082024rmob.TXT"
            << "aug| 00h|\n01" + QByteArray(2 * 1024 * 1024, '|') << 2
            << "the line is longer than 1 MB";
        QTest::newRow("more lines than hours a table holds")
            << "lines.txt" << QByteArray(TableLimits::MaxRows + 100, '\n') << 0
            << "it holds more than 1048576 lines";
    }
    void refusedWithTheLine()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, reason);
        try {
            const FileHours read = parse(bytes, name);
            QFAIL(qPrintable("read: " + listed(read.hours).left(200)));
        } catch (const EImportError &e) {
            QVERIFY2(e.reason().contains(reason), qPrintable(e.text().left(300)));
            QCOMPARE(e.line(), line);
        }
    }

    // The hours of all the files together are counted as they are read: the
    // file that passes the table's size stops at that hour.
    void hourCapWhileReading_data()
    {
        QTest::addColumn<qsizetype>("before");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("fits exactly") << TableLimits::MaxRows - 3 << 0 << "";
        QTest::newRow("one too many, first file")
            << TableLimits::MaxRows - 2 << 3 << "with the files before it, the files hold more";
    }
    void hourCapWhileReading()
    {
        QFETCH(qsizetype, before);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const QByteArray list = "2024080100 , 00 , 1\n2024080101 , 01 , 1\n2024080102 , 02 , 1\n";
        try {
            QCOMPARE(parse(list, "RMOB-202408.dat", before).hours.size(), size_t(3));
            QVERIFY(reason.isEmpty());
        } catch (const EImportError &e) {
            QVERIFY2(!reason.isEmpty() && e.reason().startsWith(reason), qPrintable(e.text()));
            QCOMPARE(e.line(), line);
        }
    }

    // One count for the table's rows, whoever counts them.
    void limitsAgree()
    {
        QCOMPARE(ObserverFiles::MaxHours, TableLimits::MaxRows);
        QCOMPARE(TextFormat::MaxRows, TableLimits::MaxRows);
    }

    // Counts of exactly 1111 go out to the network's files and come back,
    // from the monthly tables alone too.
    void exportKeeps1111_data()
    {
        QTest::addColumn<QList<int>>("hours"); // the hours of day 3 counted 1111
        QTest::addColumn<QString>("pattern");
        QTest::newRow("one hour, tables") << QList<int>{5} << "*rmob.TXT";
        QTest::newRow("one hour, lists") << QList<int>{5} << "RMOB-*.dat";
        QTest::newRow("a whole day, tables") << QList<int>{} << "*rmob.TXT";
    }
    void exportKeeps1111()
    {
        QFETCH(QList<int>, hours);
        QFETCH(QString, pattern);
        if (hours.isEmpty())
            for (int h = 0; h < 24; ++h)
                hours << h;
        std::vector<GridRow> rows;
        const auto add = [&](int day, int hour, int count) {
            GridRow r;
            r.setCell(0, QStringLiteral("%1.08.2024").arg(day, 2, 10, QChar(u'0')));
            r.setCell(1, QString::number(hour));
            r.setCell(2, QString::number(count));
            rows.push_back(r);
        };
        add(2, 7, 1111); // among the counts of day 2
        add(2, 8, 40);
        for (int h : hours)
            add(3, h, 1111);
        GridModel grid;
        grid.replaceRows(rows);
        QTemporaryDir dir;
        QStringList paths;
        for (const NetworkExport::File &f :
             NetworkExport::build(grid, 2, {{QStringLiteral("Observer"), QStringLiteral("S")}})) {
            if (!QDir::match(pattern, f.name))
                continue;
            QFile out(dir.filePath(f.name));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(f.bytes) == f.bytes.size());
            paths << out.fileName();
        }
        const Merged back = import(paths);
        QCOMPARE(back.rows.size(), rows.size());
        for (size_t r = 0; r < rows.size(); ++r)
            for (int c = 0; c < 3; ++c)
                QCOMPARE(back.rows[r].cell(c), rows[r].cell(c));
    }

    // A table as long as the table can be saves as text and opens again;
    // a file one line longer is refused, and so is a table that grows past
    // the limit in any way.
    void fullTableSavesAndOpens_data()
    {
        QTest::addColumn<qsizetype>("rows");
        QTest::addColumn<bool>("opens");
        QTest::newRow("as many rows as the table holds") << TableLimits::MaxRows << true;
        QTest::newRow("one more line") << TableLimits::MaxRows + 1 << false;
    }
    void fullTableSavesAndOpens()
    {
        QFETCH(qsizetype, rows);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("full.txt"));
        if (opens) {
            GridModel grid;
            grid.setRowCountWithHeader(int(rows) + 1);
            grid.setCell(0, int(rows), QStringLiteral("01.01.2009"));
            TextFormat::save(grid, path);
        } else {
            // What no save writes: the header and a line too many.
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(TextFormat::HeaderLine) + "\r\n" +
                    QByteArray("\t\r\n").repeated(rows));
        }
        try {
            const std::vector<GridRow> back = TextFormat::load(path);
            QVERIFY(opens);
            QCOMPARE(qsizetype(back.size()), rows);
            QCOMPARE(back.back().cell(0), QStringLiteral("01.01.2009"));
        } catch (const EInOutError &e) {
            QVERIFY2(!opens, qPrintable(e.text()));
            QVERIFY2(e.text().contains("more than 1048576 lines of data"), qPrintable(e.text()));
        }
    }

    void tableDoesNotGrowPastItsLimit()
    {
        GridModel grid;
        grid.setRowCountWithHeader(int(TableLimits::MaxRows) + 1);
        QVERIFY_THROWS_EXCEPTION(VexlorError, grid.spliceRows(0, 0, std::vector<GridRow>(1)));
        QVERIFY_THROWS_EXCEPTION(VexlorError,
                                 grid.setRowCountWithHeader(int(TableLimits::MaxRows) + 2));
        QVERIFY_THROWS_EXCEPTION(
            VexlorError, grid.replaceRows(std::vector<GridRow>(size_t(TableLimits::MaxRows) + 1)));
        QCOMPARE(qsizetype(grid.rowCountWithHeader()), TableLimits::MaxRows + 1);
        grid.spliceRows(0, 1, std::vector<GridRow>(1)); // a row for a row still fits
    }

    // Save (XLS) refuses, before writing, what Open (XLS) would not read back.
    void workbookSaveRefusesWhatCannotBeOpened_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("more rows than a sheet holds below its header")
            << Worksheet::MaxRows << "1"
            << "the table has 1048576 rows; a workbook holds at most 1048575";
        QTest::newRow("more cells than the reader takes")
            << int(Worksheet::MaxCells / 13) + 1 << "1"
            << "cells that are not empty";
        QTest::newRow("a cell longer than the reader takes")
            << 2 << QString(Worksheet::MaxCellText + 1, u'z') << "holds 1048577 characters";
    }
    void workbookSaveRefusesWhatCannotBeOpened()
    {
        QFETCH(int, rows);
        QFETCH(QString, cell);
        QFETCH(QString, refusal);
        std::vector<GridRow> table(static_cast<size_t>(rows));
        GridRow full;
        for (int c = 0; c <= 12; ++c)
            full.setCell(c, cell);
        std::fill(table.begin(), table.end(), full);
        GridModel grid;
        grid.replaceRows(std::move(table));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.xlsx"));
        try {
            SheetTable::save(grid, path);
            QFAIL("saved");
        } catch (const EWorkbookError &e) {
            QVERIFY2(e.text().contains(refusal), qPrintable(e.text().left(300)));
        }
        QVERIFY(!QFile::exists(path));
    }

    // A paste that would make the table longer than it can be is refused
    // whole, and the history stays usable.
    void pastePastTheLimitIsRefused()
    {
        WindowFixture f;
        TfrmMain &w = f.open(WindowFixture::sampleIni("en"));
        w.strGrid->setRowCountWithHeader(int(TableLimits::MaxRows) + 1);
        w.tbEdit->trigger();
        w.strGrid->setCol(2);
        w.strGrid->setRow(int(TableLimits::MaxRows));
        QApplication::clipboard()->setText(QStringLiteral("5\n6\n"));
        w.Table->paste->trigger();
        QCOMPARE(f.dialogs.errors.size(), 1);
        QVERIFY2(f.dialogs.errors[0].contains("at most 1048576 rows"),
                 qPrintable(f.dialogs.errors[0]));
        QCOMPARE(qsizetype(w.strGrid->rowCountWithHeader()), TableLimits::MaxRows + 1);
        QApplication::clipboard()->setText(QStringLiteral("7\n"));
        w.Table->paste->trigger(); // one row fits, as one step
        QCOMPARE(w.strGrid->cell(2, int(TableLimits::MaxRows)), QStringLiteral("7"));
        w.Table->undo->trigger();
        QCOMPARE(w.strGrid->cell(2, int(TableLimits::MaxRows)), QString());
    }

    // The history forgets its oldest steps when it would pass its budget,
    // and still undoes, redoes, merges typing and knows the saved state.
    void historyKeepsWithinItsBudget_data()
    {
        QTest::addColumn<int>("savedAt"); // the step after which the table was saved
        QTest::addColumn<bool>("savedKept");
        QTest::newRow("saved state forgotten") << 1 << false;
        QTest::newRow("saved state kept") << 9 << true;
    }
    void historyKeepsWithinItsBudget()
    {
        QFETCH(int, savedAt);
        QFETCH(bool, savedKept);
        GridModel grid;
        TableHistory history(grid);
        // A table of 1 000 rows of some 40 characters is about 100 KB to
        // the budget; room for about three such replacements.
        history.setByteBudget(600 * 1024);
        const auto table = [](int k) {
            std::vector<GridRow> rows(1000);
            for (GridRow &r : rows)
                r.setCell(0, QStringLiteral("step %1 ").arg(k).repeated(4));
            return rows;
        };
        for (int k = 1; k <= 10; ++k) {
            grid.replaceRows(table(k));
            if (k == savedAt)
                history.markSaved();
            QVERIFY2(history.bytes() <= history.byteBudget(), qPrintable(QString::number(k)));
        }
        QVERIFY(history.stack().count() >= 2 && history.stack().count() < 10);
        QVERIFY(history.changed());
        // Undo as far as the history goes: each step gives back its table.
        int undone = 0;
        while (history.stack().canUndo()) {
            history.stack().undo();
            ++undone;
            QCOMPARE(grid.cell(0, 1), table(10 - undone).front().cell(0));
            QCOMPARE(!history.changed(), savedKept && 10 - undone == savedAt);
        }
        QCOMPARE(undone, history.stack().count());
        while (history.stack().canRedo())
            history.stack().redo();
        QCOMPARE(grid.cell(0, 1), table(10).front().cell(0));
        // Typing in one cell is still one step after the oldest went.
        const int steps = history.stack().count();
        grid.setCell(2, 1, QStringLiteral("1"));
        grid.setCell(2, 1, QStringLiteral("12"));
        QCOMPARE(history.stack().count(), steps + 1);
        history.stack().undo();
        QCOMPARE(grid.cell(2, 1), QString());
    }

    // In the window: the summary counts the hour of a file's first line.
    void importSummaryCountsTheFirstLine()
    {
        WindowFixture f;
        TfrmMain &w = f.open(WindowFixture::sampleIni("en"));
        f.dialogs.openFilesAnswers.push_back({f.writeFile("day.txt", dayWithoutHeader())});
        w.Import1->trigger();
        QCOMPARE(w.strGrid->rowCountWithHeader(), 25);
        QCOMPARE(w.strGrid->cell(1, 1), QStringLiteral("0"));
        QVERIFY(!f.dialogs.messages.empty());
        QVERIFY2(f.dialogs.messages.back().text.contains("hours: 24"),
                 qPrintable(f.dialogs.messages.back().text));
    }
};

QTEST_MAIN(TestHardeningFiles)
#include "test_hardening_files.moc"
