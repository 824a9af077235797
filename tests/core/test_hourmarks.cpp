// Hours marked as disturbed: kept through every file of the table, shown
// apart, left out of the fit and written as ??? to the network's files.
#include "analysis/Colorgramme.h"
#include "analysis/RunPipeline.h"
#include "app/DateConv.h"
#include "files/ExtractField.h"
#include "files/NetworkExport.h"
#include "files/ObserverFiles.h"
#include "files/TableFiles.h"
#include "files/TextFormat.h"
#include "table/GridModel.h"
#include "table/HourMarks.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Five days of hours with a shower on day three; the rows listed get marks.
void fill(GridModel &grid, const std::vector<int> &marked = {})
{
    grid.setRowCountWithHeader(5 * 24 + 1);
    for (int k = 0; k < 5 * 24; ++k) {
        const int row = k + 1;
        grid.setCell(0, row, QStringLiteral("%1.12.2008").arg(10 + k / 24));
        grid.setCell(1, row, QString::number(k % 24));
        const int shower = int(90 * std::exp(-std::abs(k - 60) / 8.0));
        grid.setCell(2, row, QString::number(20 + (k * 7) % 11 + shower));
    }
    for (int row : marked)
        grid.setCell(HourMarks::Column, row, HourMarks::markText(HourMarks::Reason::Interference));
}

// The table without the rows listed.
void fillWithout(GridModel &grid, const std::vector<int> &left)
{
    GridModel all;
    fill(all);
    std::vector<GridRow> rows;
    for (int row = 1; row < all.rowCountWithHeader(); ++row)
        if (std::find(left.begin(), left.end(), row) == left.end())
            rows.push_back(all.rows()[size_t(row - 1)]);
    grid.replaceRows(std::move(rows));
}

RunRecord run(const GridModel &grid)
{
    std::optional<RunPipeline::Rows> rows =
        RunPipeline::read(grid, QStringLiteral("10.12.2008"), QStringLiteral("14.12.2008"), 2);
    return RunPipeline::fit(std::move(*rows),
                            {40, 60, rows->peak.PeakOffset, rows->peak.PeakValue});
}

} // namespace

class TestHourMarks : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { DateConv::setFormat(QStringLiteral("dd.MM.yyyy")); }

    void markTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("mark");
        QTest::addColumn<int>("reason"); // -1: none
        QTest::addColumn<QString>("words");
        QTest::newRow("interference")
            << "BAD:IF" << true << int(HourMarks::Reason::Interference) << "";
        QTest::newRow("sporadic E, blanks")
            << " BAD:es " << true << int(HourMarks::Reason::SporadicE) << "";
        QTest::newRow("transmitter off")
            << "BAD:NS" << true << int(HourMarks::Reason::TransmitterOff) << "";
        QTest::newRow("outage as zero")
            << "BAD:OUT" << true << int(HourMarks::Reason::OutageAsZero) << "";
        QTest::newRow("own words")
            << "BAD:storm nearby" << true << int(HourMarks::Reason::Other) << "storm nearby";
        QTest::newRow("flagged %3") << "BAD:%3" << true << int(HourMarks::Reason::Other) << "%3";
        // A 14th field of another program is no mark.
        QTest::newRow("a note") << "checked" << false << -1 << "";
        QTest::newRow("empty") << "" << false << -1 << "";
    }
    void markTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, mark);
        QFETCH(int, reason);
        QFETCH(QString, words);
        QCOMPARE(HourMarks::isMark(text), mark);
        QString got;
        const std::optional<HourMarks::Reason> r = HourMarks::reasonOf(text, &got);
        QCOMPARE(r ? int(*r) : -1, reason);
        QCOMPARE(got, words);
    }

    // The national tables' cells that are no counts become marks.
    void marksOfCells_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("mark");
        QTest::newRow("IF") << "IF"
                            << "BAD:IF";
        QTest::newRow("ES") << "ES"
                            << "BAD:ES";
        QTest::newRow("NS") << "NS"
                            << "BAD:NS";
        QTest::newRow("%0") << "%0"
                            << "BAD:%0";
        QTest::newRow("%12") << " %12"
                             << "BAD:%12";
        QTest::newRow("a count") << "12"
                                 << "";
        QTest::newRow("%") << "%"
                           << "";
        QTest::newRow("junk") << "XX"
                              << "";
    }
    void marksOfCells()
    {
        QFETCH(QString, cell);
        QFETCH(QString, mark);
        QCOMPARE(HourMarks::markOfCell(cell).value_or(QString()), mark);
    }

    // A marked hour is left out of the fit as an hour without a row is:
    // the Run of a table with marks is the Run of the table without those
    // rows, to the last bit, and its peak is no marked hour.
    void markedHoursLeaveTheFit_data()
    {
        QTest::addColumn<std::vector<int>>("marked");
        QTest::newRow("one hour") << std::vector<int>{30};
        QTest::newRow("the peak") << std::vector<int>{61};
        QTest::newRow("first and last rows") << std::vector<int>{1, 120};
        QTest::newRow("a day") << [] {
            std::vector<int> day;
            for (int r = 25; r <= 48; ++r)
                day.push_back(r);
            return day;
        }();
    }
    void markedHoursLeaveTheFit()
    {
        QFETCH(std::vector<int>, marked);
        GridModel withMarks, without;
        fill(withMarks, marked);
        fillWithout(without, marked);
        const RunRecord a = run(withMarks), b = run(without);
        QCOMPARE(a.DataRows.size(), size_t(120 - marked.size()));
        QCOMPARE(a.DataRows.size(), b.DataRows.size());
        QCOMPARE(a.peak.PeakOffset, b.peak.PeakOffset);
        QCOMPARE(a.peak.PeakValue, b.peak.PeakValue);
        QVERIFY(std::memcmp(&a.dO, &b.dO, sizeof(double)) == 0);
        for (size_t j = 0; j < a.ModelRows.size(); ++j)
            QVERIFY(a.ModelRows[j].Profile == b.ModelRows[j].Profile &&
                    a.DataRows[j].Sporadic == b.DataRows[j].Sporadic);
        // Unmarking gives the whole table's Run back.
        GridModel plain;
        fill(plain);
        const RunRecord c = run(plain);
        for (int row : marked)
            withMarks.setCell(HourMarks::Column, row, QString());
        const RunRecord d = run(withMarks);
        QVERIFY(std::memcmp(&c.dO, &d.dO, sizeof(double)) == 0);
        QCOMPARE(d.DataRows.size(), size_t(120));
    }

    void everyHourMarkedIsRefused()
    {
        GridModel grid;
        std::vector<int> all;
        for (int r = 1; r <= 120; ++r)
            all.push_back(r);
        fill(grid, all);
        QVERIFY_THROWS_EXCEPTION(
            EConvertError,
            RunPipeline::read(grid, QStringLiteral("10.12.2008"), QStringLiteral("14.12.2008"), 2));
    }

    // Save (TXT), Save (XLS) and Import of the own layout keep the marks;
    // a reader of 13 fields reads the same counts; a table without marks
    // is written as ever (13 fields on every line).
    void marksSurviveTheTablesFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("text") << "table.txt";
        QTest::newRow("workbook") << "table.xlsx";
    }
    void marksSurviveTheTablesFiles()
    {
        QFETCH(QString, name);
        const bool workbook = name.endsWith(".xlsx");
        GridModel grid;
        fill(grid, {3, 50});
        grid.setCell(HourMarks::Column, 50,
                     HourMarks::markText(HourMarks::Reason::Other, "storm\tnearby"));
        const QString path = m_dir.filePath(name);
        TableFiles::save(grid, path, workbook);
        const std::vector<GridRow> rows =
            workbook ? TableFiles::readWorkbook(path) : TableFiles::readText(path);
        QCOMPARE(rows.size(), size_t(120));
        for (int row = 1; row <= 120; ++row) {
            for (int c = 0; c <= 12; ++c)
                QCOMPARE(rows[size_t(row - 1)].cell(c), grid.cell(c, row));
            QCOMPARE(HourMarks::isMark(rows[size_t(row - 1)].cell(13)), row == 3 || row == 50);
        }
        QCOMPARE(rows[2].cell(13), QString("BAD:IF"));
        QCOMPARE(rows[49].cell(13), QString("BAD:storm nearby"));
        if (workbook)
            return;
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines[3].count('\t'), 13);
        QCOMPARE(lines[4].count('\t'), 12);
        // A reader of 13 fields, as the layout's first readers read it.
        for (int row = 1; row <= 120; ++row)
            QCOMPARE(ExtractField(QString::fromUtf8(lines[row]).trimmed(), QStringLiteral("\t"), 3),
                     grid.cell(2, row));
        // Import of the own layout keeps them, and counts them.
        const ObserverFiles::Merged merged = TableFiles::importCountFiles({path});
        QCOMPARE(merged.summary.markedHours, qsizetype(2));
        QCOMPARE(merged.rows[2].cell(13), QString("BAD:IF"));
        // Without marks: the same bytes as the layout always wrote.
        GridModel plain;
        fill(plain);
        QVERIFY(!TextFormat::format(plain).contains("BAD:"));
        QCOMPARE(TextFormat::format(plain).count('\t'), qsizetype(13 + 120 * 12));
    }

    // The network's files get ??? for a marked hour and no line in the
    // hourly list; the colorgramme shows it apart and leaves it off the scale.
    void marksInTheNetworksFilesAndTheColorgramme()
    {
        GridModel grid;
        fill(grid, {61});
        const std::vector<NetworkExport::File> files =
            NetworkExport::build(grid, 2, {{"Observer", "S"}});
        QVERIFY(files.at(0).bytes.contains("\r\n 12|"));
        const QByteArray day12 =
            files[0].bytes.mid(files[0].bytes.indexOf("\r\n 12|") + 2, 6 + 5 * 24);
        QCOMPARE(day12.mid(4 + 5 * 12, 5), QByteArray(" ???|"));
        QVERIFY(!files[1].bytes.contains("2008121212 ,"));
        QVERIFY(files[1].bytes.contains("2008121211 ,"));
        const Colorgramme::Data data = Colorgramme::collect(grid, 2);
        QCOMPARE(data.markedHours, qsizetype(1));
        QCOMPARE(data.countedHours, qsizetype(119));
        QVERIFY(data.isMarked(data.index(2, 12)));
        QCOMPARE(data.counts[size_t(data.index(2, 12))], -1);
        QVERIFY(data.maximum < grid.cell(2, 61).toInt());
        const QImage image =
            Colorgramme::render(data, QSize(800, 480), {"t", "h", "m", "e", "marked"});
        const Colorgramme::Layout l = Colorgramme::layoutFor(data, QSize(800, 480));
        const QPoint cell(l.plot.left() + int(l.plot.width() * 2.5 / 5),
                          l.plot.top() + int(l.plot.height() * 12.5 / 24));
        QCOMPARE(QColor(image.pixel(cell)), Colorgramme::markedColor());
    }
};

QTEST_MAIN(TestHourMarks)
#include "test_hourmarks.moc"
