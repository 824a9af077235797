// The way of a Run from the files through the table to its record: the
// readers chosen by content, the rows of a date range, the fit, and the
// labels of the points.
#include "analysis/RunPipeline.h"
#include "analysis/RunRecord.h"
#include "app/DateConv.h"
#include "app/Errors.h"
#include "files/SheetTable.h"
#include "files/TableFiles.h"
#include "files/TextFormat.h"
#include "files/workbook/Workbook.h"
#include "table/GridModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

class TestPipeline : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    // Three days of hours in the program's text layout, a peak on day two.
    static QByteArray threeDays()
    {
        QByteArray out = "Date\t\tHour\tSum\r\n";
        for (int j = 0; j < 72; ++j)
            out += QString::asprintf("%02d.12.2008\t%d\t%d\r\n", 1 + j / 24, j % 24,
                                     j == 30 ? 95 : 10 + (j * 7) % 9)
                       .toLatin1();
        return out;
    }

private slots:
    void initTestCase() { DateConv::setFormat(QStringLiteral("dd.MM.yyyy")); }

    void labelsOfTheRows()
    {
        std::vector<TRadData> rows(3);
        rows[0] = {QStringLiteral("01.12.2008"), 0, 4, 0, 0, 0};
        rows[1] = {QStringLiteral("01.12.2008"), 23, 5, 0, 0, 0};
        rows[2] = {QStringLiteral("a\rb"), 7, 6, 0, 0, 0};
        const std::vector<PointLabel> labels = pointLabels(rows);
        QCOMPARE(labels.size(), size_t(3));
        QCOMPARE(labels[0].text(), QString("01.12.2008\r0h (1)"));
        QCOMPARE(labels[1].text(), QString("01.12.2008\r23h (2)"));
        // A date is kept whole, whatever it holds.
        QCOMPARE(labels[2].date, QString("a\rb"));
        QCOMPARE(labels[2].hour, 7);
        QCOMPARE(labels[2].number, 3);
        QVERIFY(labels[1] == QString("01.12.2008\r23h (2)"));
    }

    void labelFromItsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("number");
        QTest::newRow("as the chart shows it") << "05.11.2008\r17h (1)"
                                               << "05.11.2008" << 17 << 1;
        QTest::newRow("a large number") << "31.12.2018\r0h (87600)"
                                        << "31.12.2018" << 0 << 87600;
    }
    void labelFromItsText()
    {
        QFETCH(QString, text);
        PointLabel label;
        label = text;
        QTEST(label.date, "date");
        QTEST(label.hour, "hour");
        QTEST(label.number, "number");
        QCOMPARE(label.text(), text);
        QCOMPARE(PointLabel::fromText(text), label);
    }

    // The pipeline's fit is the activity model's fit of the same rows, bit
    // for bit, and the record's curves are the fit's columns.
    void fitIsTheModelsFit()
    {
        GridModel grid;
        grid.replaceRows(TextFormat::parse(threeDays()));
        std::optional<RunPipeline::Rows> rows =
            RunPipeline::read(grid, QStringLiteral("02.12.2008"), QStringLiteral("03.12.2008"), 2);
        QVERIFY(rows);
        QCOMPARE(rows->selection.FirstRow, 25);
        QCOMPARE(rows->selection.LastRow, 72);
        QCOMPARE(rows->peak.PeakValue, 95);
        QCOMPARE(rows->peak.PeakOffset, 6);
        std::vector<TRadData> data = rows->DataRows, model;
        HourBins bins;
        const ModelParams params{20, 30, 6, 95};
        const double dO = fitModel(data, model, params, bins);
        const RunRecord run = RunPipeline::fit(std::move(*rows), params);
        QVERIFY(std::memcmp(&run.dO, &dO, sizeof dO) == 0);
        QCOMPARE(run.size(), size_t(48));
        QCOMPARE(run.peak.PeakValue, 95);
        QCOMPARE(run.params.b, 30);
        QVERIFY(run.labels.empty()); // the chart gives them
        for (size_t i = 0; i < run.size(); ++i) {
            QCOMPARE(run.observed(i), data[i].Value);
            QCOMPARE(run.profile(i), model[i].Profile);
            QCOMPARE(run.shower(i), data[i].Shower);
            QCOMPARE(run.sporadic(i), data[i].Sporadic);
        }
    }

    // The positions the window and vexlor-fit share: Auto Calc's best cut to
    // the last row, and whether the search's window fits the 16-bit control.
    void positionRules_data()
    {
        QTest::addColumn<int>("best");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("searchFits"); // with the peak at best - 5
        QTest::newRow("inside") << 50 << 96 << 50 << true;
        QTest::newRow("past the last row") << 100 << 96 << 95 << true;
        QTest::newRow("the last row") << 95 << 96 << 95 << true;
        QTest::newRow("at the control's end") << 32767 << 40000 << 32767 << true;
        QTest::newRow("past the control's end") << 32768 << 40000 << 32768 << false;
        QTest::newRow("cut back into the control") << 32768 << 32768 << 32767 << true;
        QTest::newRow("cut, still past it") << 32770 << 32770 << 32769 << false;
    }
    void positionRules()
    {
        QFETCH(int, best);
        QFETCH(int, rowCount);
        QFETCH(int, position);
        QFETCH(bool, searchFits);
        QCOMPARE(RunPipeline::searchedPosition(best, rowCount), position);
        Peak peak;
        peak.PeakOffset = best - 5;
        QCOMPARE(RunPipeline::searchFitsPositionControl(peak, rowCount), searchFits);
        peak.PeakOffset = best;
        QCOMPARE(RunPipeline::peakPosition(peak), best);
        peak.PeakOffset = 0;
        QCOMPARE(RunPipeline::peakPosition(peak), 1);
    }

    void datesWithoutRowsReadNothing_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("start date missing") << "05.12.2008"
                                            << "03.12.2008";
        QTest::newRow("end before start") << "03.12.2008"
                                          << "01.12.2008";
    }
    void datesWithoutRowsReadNothing()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        GridModel grid;
        grid.replaceRows(TextFormat::parse(threeDays()));
        grid.setCell(2, 1, QStringLiteral("x")); // would fail if it were read
        QVERIFY(!RunPipeline::read(grid, from, to, 2));
    }

    // The readers by content: the command line takes a file as the window's
    // command for it would.
    void readerByContent_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("imported");
        QTest::newRow("own layout, as Open (TXT)") << QStringList{"own.txt"} << 72 << false;
        QTest::newRow("a workbook, as Open (XLS)") << QStringList{"book.xlsx"} << 72 << false;
        QTest::newRow("a daily list, as Import") << QStringList{"05122008.STA"} << 3 << true;
        QTest::newRow("two count files merged, as Import")
            << QStringList{"05122008.STA", "06122008.STA"} << 5 << true;
    }
    void readerByContent()
    {
        QFETCH(QStringList, files);
        const QString own = write("own.txt", threeDays());
        GridModel grid;
        grid.replaceRows(TextFormat::parse(threeDays()));
        SheetTable::save(grid, m_dir.filePath("book.xlsx"));
        write("05122008.STA", "0;12\r\n1;15\r\n5;20\r\n");
        write("06122008.STA", "0;7\r\n1;8\r\n");
        QStringList paths;
        for (const QString &f : files)
            paths << m_dir.filePath(f);
        const TableFiles::Loaded loaded = TableFiles::load(paths);
        QTEST(int(loaded.rows.size()), "rows");
        QTEST(loaded.imported.has_value(), "imported");
        if (loaded.imported)
            QCOMPARE(loaded.imported->files, int(files.size()));
        // Each command's own reader gives the same rows.
        if (files.front() == "own.txt")
            QCOMPARE(TableFiles::readText(own).size(), loaded.rows.size());
        if (files.front() == "book.xlsx")
            QCOMPARE(TableFiles::readWorkbook(paths.front()).size(), loaded.rows.size());
        if (loaded.imported)
            QCOMPARE(TableFiles::importCountFiles(paths).rows.size(), loaded.rows.size());
    }

    // Saved as either command saves it, the table reads back through the
    // reader the choice by content takes for it.
    void savedTablesReadBack_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::newRow("as Save (TXT)") << false;
        QTest::newRow("as Save (XLS), whatever the name") << true;
    }
    void savedTablesReadBack()
    {
        QFETCH(bool, workbook);
        GridModel grid;
        grid.replaceRows(TextFormat::parse(threeDays()));
        const QString path = m_dir.filePath(workbook ? "saved.txt" : "saved.xlsx");
        TableFiles::save(grid, path, workbook);
        QCOMPARE(WorkbookFiles::looksLikeWorkbook(path), workbook);
        const TableFiles::Loaded back = TableFiles::load({path});
        QCOMPARE(back.rows.size(), size_t(72));
        for (int r = 1; r <= 72; r += 7)
            for (int c = 0; c < 3; ++c)
                QCOMPARE(back.rows[size_t(r - 1)].cell(c), grid.cell(c, r));
    }

    void workbooksOneAtATime()
    {
        GridModel grid;
        grid.replaceRows(TextFormat::parse(threeDays()));
        const QString book = m_dir.filePath("one.xlsx");
        SheetTable::save(grid, book);
        const QString other = write("own2.txt", threeDays());
        try {
            TableFiles::load({other, book});
            QFAIL("two files with a workbook among them must be refused");
        } catch (const VexlorError &e) {
            QCOMPARE(e.text(),
                     QString("%1 is a workbook: workbooks are read one at a time").arg(book));
        }
    }
};

QTEST_MAIN(TestPipeline)
#include "test_pipeline.moc"
