// Work off the calling thread: the progress object, the worker pool, jobs
// that keep their result or failure and are dropped without a wait, and the
// long computations stopped by their cancel.
#include "analysis/ActivityModel.h"
#include "analysis/Bootstrap.h"
#include "analysis/PositionProfile.h"
#include "analysis/ShowerSeasons.h"
#include "app/DateConv.h"
#include "app/Errors.h"
#include "app/Job.h"
#include "app/WorkerThreads.h"
#include "files/TableFiles.h"
#include "table/PasteBlock.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <thread>

#include <sys/wait.h>

namespace {

// Rows with a shower on a daily wave, so that the search has a peak.
std::vector<TRadData> showerRows(int n)
{
    std::vector<TRadData> rows(static_cast<size_t>(n));
    for (int j = 0; j < n; ++j) {
        rows[size_t(j)].Date = QString::number(j / 24);
        rows[size_t(j)].Hour = j % 24;
        rows[size_t(j)].Value = 20 + 5 * (j % 24 < 12) + 100 * std::exp(-std::abs(j - n / 2) / 9.0);
    }
    return rows;
}

// A latch for the tests' threads; waits at most a minute, so that a fault
// fails a check instead of hanging the test.
struct Latch {
    std::atomic<bool> open{false};
    bool wait() const
    {
        for (int i = 0; i < 60000 && !open; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return open;
    }
};

} // namespace

class TestJobs : public QObject {
    Q_OBJECT

private slots:
    void progressCounts_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("percent");
        QTest::newRow("half") << 10 << 5 << 50;
        QTest::newRow("all") << 7 << 7 << 100;
        QTest::newRow("no total yet") << 0 << 0 << 0;
        QTest::newRow("a third, rounded down") << 3 << 1 << 33;
    }
    void progressCounts()
    {
        QFETCH(int, total);
        QFETCH(int, done);
        Progress p;
        p.setTotal(total);
        for (int i = 0; i < done; ++i)
            p.addDone();
        QCOMPARE(p.done(), done);
        QTEST(p.percent(), "percent");
        QVERIFY(!p.cancelled());
        p.checkCancelled(); // nothing to throw yet
        p.cancel();
        QVERIFY_THROWS_EXCEPTION(JobCancelled, p.checkCancelled());
    }

    void workersShareTheItemsAndKeepTheFirstFailure()
    {
        std::atomic<int> next{0}, sum{0};
        WorkerThreads(3, [&] {
            for (int i; (i = next.fetch_add(1)) < 100;)
                sum += i;
        }).join();
        QCOMPARE(sum.load(), 4950);

        std::atomic<int> told{0};
        WorkerThreads failing(
            4, [] { throw EInOutError(QStringLiteral("disk gone")); }, [&] { ++told; });
        try {
            failing.join();
            QFAIL("join must throw what a worker threw");
        } catch (const EInOutError &e) {
            QCOMPARE(e.text(), QString("disk gone"));
        }
        QVERIFY(failing.failed());
        QCOMPARE(told.load(), 4);
        QCOMPARE(WorkerThreads::count(0, 1), 1);
        QCOMPARE(WorkerThreads::count(8, 3), 3);
        QCOMPARE(WorkerThreads::count(2, 100), 2);
        QCOMPARE(WorkerThreads::count(0, 1000), WorkerThreads::available());
    }

    void jobKeepsItsResultOrItsFailure()
    {
        Job<int> answer([](Progress &p) {
            p.setTotal(2);
            p.addDone(2);
            return 42;
        });
        QCOMPARE(answer.take(), 42);
        QVERIFY(answer.finished());
        QCOMPARE(answer.progress().percent(), 100);

        Job<int> failure([](Progress &) -> int { throw std::bad_alloc(); });
        failure.wait();
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, failure.take());
    }

    // A job its owner drops is cancelled and never waited for: the owner
    // goes on at once while the work still runs.
    void aDroppedJobIsNotWaitedFor()
    {
        auto release = std::make_shared<Latch>();
        auto sawCancel = std::make_shared<std::atomic<bool>>(false);
        auto released = std::make_shared<std::atomic<bool>>(false);
        auto job = std::make_unique<Job<int>>([=](Progress &p) {
            *released = release->wait(); // a wait in the destructor would end this by timeout
            *sawCancel = p.cancelled();
            return 0;
        });
        job.reset(); // returns while the work waits
        release->open = true;
        JobThreads::waitForAll();
        QVERIFY(released->load());
        QVERIFY(sawCancel->load());
    }

    void polledWorkStopsWhenTheCallerSays_data()
    {
        QTest::addColumn<bool>("keepGoing");
        QTest::newRow("to its end") << true;
        QTest::newRow("cancelled") << false;
    }
    void polledWorkStopsWhenTheCallerSays()
    {
        QFETCH(bool, keepGoing);
        int asked = 0;
        const int steps = runPolled<int>(
            [](Progress &p) {
                int n = 0;
                for (; n < 200 && !p.cancelled(); ++n) {
                    p.setDone(n);
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                return n;
            },
            [&](const Progress &) {
                ++asked;
                return keepGoing;
            },
            std::chrono::milliseconds(10));
        QVERIFY(asked >= 1);
        QCOMPARE(steps == 200, keepGoing);
    }

    // A cancel that comes before the work starts: nothing is computed, and
    // the result says it was cancelled.
    void cancelledComputationsStopAtOnce_data()
    {
        QTest::addColumn<bool>("bootstrap");
        QTest::newRow("bootstrap") << true;
        QTest::newRow("position profile") << false;
    }
    void cancelledComputationsStopAtOnce()
    {
        QFETCH(bool, bootstrap);
        const std::vector<TRadData> rows = showerRows(240);
        Progress p;
        p.cancel();
        if (bootstrap) {
            const Bootstrap::Result r =
                Bootstrap::run(rows, std::vector<double>(rows.size(), 30.0), 50, 1, p, 2);
            QVERIFY(r.cancelled);
            QCOMPARE(r.replicates.size() + size_t(r.failed), size_t(0));
        } else {
            const PositionProfile::Profile profile = PositionProfile::compute(rows, p, 2);
            QVERIFY(profile.cancelled);
            QVERIFY(profile.points.empty());
            QCOMPARE(profile.bestPosition, 0);
        }
        QCOMPARE(p.done(), 0);
    }

    // The landscape stops at a cancel too, and gives nothing.
    void cancelledLandscapeIsEmpty()
    {
        const std::vector<TRadData> rows = showerRows(240);
        Progress p;
        QVERIFY(PositionProfile::landscape(rows, 120, p).valid());
        p.cancel();
        const PositionProfile::Landscape l = PositionProfile::landscape(rows, 120, p);
        QVERIFY(!l.valid());
        QVERIFY(l.dO.empty());
    }

    // A workbook read inside a job whose owner dropped it stops: the zip
    // parts and the XML parsers look at the job's cancel, the xls child
    // process is killed and waited for. Outside a job nothing cancels.
    void droppedWorkbookReadsStop_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xlsx") << "openpyxl.xlsx";
        QTest::newRow("ods") << "libreoffice.ods";
        QTest::newRow("xls") << "libreoffice.xls";
    }
    void droppedWorkbookReadsStop()
    {
        QFETCH(QString, file);
        const QString path = QStringLiteral(VEXLOR_TEST_DATA "/") + file;
        QVERIFY(!TableFiles::readWorkbook(path).empty());
        Progress p;
        p.cancel();
        {
            const ThreadProgress::Scope scope(p);
            QVERIFY_THROWS_EXCEPTION(JobCancelled, TableFiles::readWorkbook(path));
        }
        QVERIFY(!ThreadProgress::cancelled());
        // No child process is left behind.
        QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
        QCOMPARE(errno, ECHILD);
        // A job's work runs with its own progress as the thread's.
        Job<bool> job([](Progress &own) { return ThreadProgress::t_current == &own; });
        QVERIFY(job.take());
    }

    // The table's readers, a paste's overlay and the stacked profile's
    // reading run as jobs in the window; a dropped one stops.
    void droppedTableWorkStops_data()
    {
        QTest::addColumn<QString>("work");
        QTest::newRow("open text") << "text";
        QTest::newRow("import") << "import";
        QTest::newRow("paste") << "paste";
        QTest::newRow("stacked rows") << "stacked";
    }
    void droppedTableWorkStops()
    {
        QFETCH(QString, work);
        DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
        // Ten thousand hours of May 2025 and on, in the own layout and as
        // a CSV table.
        QTemporaryDir dir;
        QString table = QStringLiteral("Date\tHour\tSum\n"),
                list = QStringLiteral("Date,Hour,Sum\n");
        std::vector<GridRow> rows;
        const QDate first(2025, 5, 1);
        for (int i = 0; i < 10000; ++i) {
            const QDate d = first.addDays(i / 24);
            const QString line = d.toString(QStringLiteral("dd.MM.yyyy")) +
                                 QStringLiteral("\t%1\t%2").arg(i % 24).arg(i % 7);
            table += line + u'\n';
            rows.push_back(GridRow::fromLine(line, u'\t'));
            list += d.toString(QStringLiteral("yyyy-MM-dd")) +
                    QStringLiteral(",%1,%2\n").arg(i % 24).arg(i % 7);
        }
        const QString own = dir.filePath(QStringLiteral("own.txt"));
        const QString hourly = dir.filePath(QStringLiteral("hours.csv"));
        for (const auto &[path, text] : {std::pair{own, table}, std::pair{hourly, list}}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text.toUtf8());
        }
        const auto run = [&]() -> size_t {
            if (work == QLatin1String("text"))
                return TableFiles::readText(own).size();
            if (work == QLatin1String("import"))
                return TableFiles::importCountFiles({hourly}, {}).rows.size();
            if (work == QLatin1String("paste")) {
                std::vector<GridRow> out;
                const auto problem = PasteBlock::overlay(table.section(u'\n', 1), 1, 0,
                                                         std::span<const GridRow>(), out);
                return problem ? 0 : out.size();
            }
            const ShowerSeasons::Collected c =
                ShowerSeasons::collect(rows, ShowerSeasons::window(30, 80), {{}});
            size_t n = 0;
            for (const ShowerSeasons::Dataset &d : c.datasets)
                n += d.size();
            return n;
        };
        const size_t whole = run();
        if (work == QLatin1String("stacked"))
            QVERIFY(whole > 24 * 30); // the days of May and June 2025 and 2026
        else
            QCOMPARE(whole, size_t(10000));
        Progress p;
        p.cancel();
        {
            const ThreadProgress::Scope scope(p);
            QVERIFY_THROWS_EXCEPTION(JobCancelled, run());
        }
        QCOMPARE(run(), whole); // outside the job nothing cancels
    }

    // The progress counts what was finished; finished work is the same as
    // without the progress object.
    void progressObjectGivesTheSameAnswers()
    {
        const std::vector<TRadData> rows = showerRows(96);
        const std::vector<double> expected = Bootstrap::expectedCounts(rows);
        Progress p;
        const Bootstrap::Result direct = Bootstrap::run(rows, expected, 6, 9, p, 2);
        QCOMPARE(p.done(), 6);
        QCOMPARE(p.total(), 6);
        const Bootstrap::Result polled =
            Bootstrap::run(rows, expected, 6, 9, [](int) { return true; });
        QCOMPARE(direct.replicates.size(), polled.replicates.size());
        for (size_t i = 0; i < direct.replicates.size(); ++i) {
            QCOMPARE(direct.replicates[i].a, polled.replicates[i].a);
            QCOMPARE(direct.replicates[i].P, polled.replicates[i].P);
        }
        Progress q;
        const PositionProfile::Profile profile = PositionProfile::compute(rows, q, 2);
        QCOMPARE(q.done(), q.total());
        QCOMPARE(profile.points.size(), size_t(95));
    }
};

QTEST_MAIN(TestJobs)
#include "test_jobs.moc"
