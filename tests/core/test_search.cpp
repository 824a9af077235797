// The parameter search: the fast scoring against the literal fit, the tie
// rule, the order of failures, and the number of threads.
#include "analysis/AutoSearch.h"
#include "app/Errors.h"

#include <QRandomGenerator>
#include <QTest>
#include <cstring>

namespace {

// Hourly rows with counts from a generator; hours cycle from firstHour.
std::vector<TRadData> rowsOf(int N, QRandomGenerator &rng, int spread, int firstHour = 0)
{
    std::vector<TRadData> rows(static_cast<size_t>(N));
    for (int j = 0; j < N; ++j) {
        rows[size_t(j)].Hour = (firstHour + j) % 24;
        rows[size_t(j)].Value = 5 + rng.bounded(spread) + (j == N / 2 ? 40 : 0);
    }
    return rows;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    // Every candidate's dO, not only the winner's, has the bits of the fit.
    void fastScoresAreTheFitsScores_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("spread");
        QTest::addColumn<int>("seed");
        QTest::newRow("two days") << 48 << 30 << 1;
        QTest::newRow("three days, wide counts") << 72 << 1000 << 2;
        QTest::newRow("odd length") << 61 << 7 << 3;
        QTest::newRow("peak near the end") << 50 << 3 << 4;
    }
    void fastScoresAreTheFitsScores()
    {
        QFETCH(int, rows);
        QFETCH(int, spread);
        QFETCH(int, seed);
        QRandomGenerator rng{quint32(seed)};
        std::vector<TRadData> data = rowsOf(rows, rng, spread);
        const int peak = QByteArray(QTest::currentDataTag()) == "peak near the end"
                             ? rows - 2
                             : findPeak(data).PeakOffset;
        const SearchInput input(data, peak);
        std::vector<double> fast(SearchRange::PerA), literal(SearchRange::PerA),
            generic(SearchRange::PerA);
        std::vector<ScoreFailure> fastFail(SearchRange::PerA), literalFail(SearchRange::PerA),
            genericFail(SearchRange::PerA);
        int failures = 0;
        for (int a : {1, 2, 3, 17, 50, 64, 99, 100}) {
            input.scoreA(a, fast.data(), fastFail.data());
            input.scoreALiteral(a, literal.data(), literalFail.data());
            SearchKernel::scoreAGeneric(input.data(), a, generic.data(), genericFail.data());
            for (int slot = 0; slot < SearchRange::PerA; ++slot) {
                QCOMPARE(fastFail[size_t(slot)], literalFail[size_t(slot)]);
                QCOMPARE(genericFail[size_t(slot)], literalFail[size_t(slot)]);
                if (literalFail[size_t(slot)] != ScoreFailure::None) {
                    ++failures;
                    continue;
                }
                QVERIFY2(sameBits(fast[size_t(slot)], literal[size_t(slot)]),
                         qPrintable(QString("a=%1 slot=%2: %3 vs %4")
                                        .arg(a)
                                        .arg(slot)
                                        .arg(fast[size_t(slot)], 0, 'g', 17)
                                        .arg(literal[size_t(slot)], 0, 'g', 17)));
                QVERIFY(sameBits(generic[size_t(slot)], literal[size_t(slot)]));
            }
        }
        // Two days of rows with a = b give equal profile factors for one hour
        // at some positions: those candidates fail alike in both.
        if (rows == 48)
            QVERIFY(failures > 0);
    }

    void wholeSearchMatchesTheLiteralOne()
    {
        QRandomGenerator rng(11);
        std::vector<TRadData> data = rowsOf(96, rng, 20);
        const int peak = findPeak(data).PeakOffset;
        const SearchBest literal = autoSearchLiteral(data, peak, [](int) {});
        for (int threads : {1, 2, 3}) {
            const SearchBest fast = autoSearch(
                data, peak, [](int) {}, threads);
            QCOMPARE(fast.BestA, literal.BestA);
            QCOMPARE(fast.BestB, literal.BestB);
            QCOMPARE(fast.BestPosition, literal.BestPosition);
            QVERIFY(sameBits(fast.BestDeviation, literal.BestDeviation));
        }
    }

    void tieRule_data()
    {
        QTest::addColumn<QList<int>>("tied"); // slots of one a holding the smallest score
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("P");
        QTest::newRow("later b wins") << QList<int>{3 * 11 + 4, 7 * 11 + 4} << 8 << 24;
        QTest::newRow("later P wins") << QList<int>{7 * 11 + 1, 7 * 11 + 9} << 8 << 29;
        QTest::newRow("every candidate equal") << QList<int>{} << 100 << 30;
    }
    void tieRule()
    {
        QFETCH(QList<int>, tied);
        QFETCH(int, b);
        QFETCH(int, P);
        const int PeakOffset = 25;
        std::vector<ScoreFailure> none(SearchRange::PerA, ScoreFailure::None);
        std::vector<double> scores(SearchRange::PerA, tied.isEmpty() ? 0.25 : 0.5);
        for (int slot : tied)
            scores[size_t(slot)] = 0.25;
        SearchBest best;
        // The same scores for every a: the largest a wins.
        for (int a = 1; a <= 100; ++a)
            mergeScores(scores.data(), none.data(), a, PeakOffset, best);
        QCOMPARE(best.BestA, 100);
        QCOMPARE(best.BestB, b);
        QCOMPARE(best.BestPosition, P);
        QCOMPARE(best.BestDeviation, 0.25);
        // A worse a after it changes nothing; an equal one takes over.
        std::vector<double> worse(SearchRange::PerA, 0.75);
        mergeScores(worse.data(), none.data(), 7, PeakOffset, best);
        QCOMPARE(best.BestA, 100);
        mergeScores(scores.data(), none.data(), 3, PeakOffset, best);
        QCOMPARE(best.BestA, 3);
    }

    void failureStopsAtTheFirstCandidate_data()
    {
        QTest::addColumn<int>("failingA");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("kind");
        QTest::newRow("zero divide in a = 1") << 1 << 0 << int(ScoreFailure::ZeroDivide);
        QTest::newRow("invalid in a = 40") << 40 << 500 << int(ScoreFailure::InvalidOp);
    }
    void failureStopsAtTheFirstCandidate()
    {
        QFETCH(int, failingA);
        QFETCH(int, slot);
        QFETCH(int, kind);
        std::vector<double> scores(SearchRange::PerA, 0.5);
        std::vector<ScoreFailure> failures(SearchRange::PerA, ScoreFailure::None);
        SearchBest best;
        try {
            for (int a = 1; a <= 100; ++a) {
                failures[size_t(slot)] = a == failingA ? ScoreFailure(kind) : ScoreFailure::None;
                mergeScores(scores.data(), failures.data(), a, 10, best);
            }
            QFAIL("no failure");
        } catch (const EZeroDivide &) {
            QCOMPARE(kind, int(ScoreFailure::ZeroDivide));
        } catch (const EInvalidOp &) {
            QCOMPARE(kind, int(ScoreFailure::InvalidOp));
        }
    }

    void missingHourStopsAfterTheFirstProgress_data()
    {
        QTest::addColumn<int>("threads");
        QTest::newRow("one thread") << 1;
        QTest::newRow("two threads") << 2;
    }
    void missingHourStopsAfterTheFirstProgress()
    {
        QFETCH(int, threads);
        QRandomGenerator rng(5);
        std::vector<TRadData> data = rowsOf(20, rng, 10); // hours 20 to 23 have no row
        std::vector<int> progress;
        QVERIFY_THROWS_EXCEPTION(EInvalidOp,
                                 autoSearch(
                                     data, 10, [&](int a) { progress.push_back(a); }, threads));
        QCOMPARE(progress, std::vector<int>{1});
    }

    void progressOncePerA()
    {
        QRandomGenerator rng(6);
        std::vector<TRadData> data = rowsOf(72, rng, 10);
        std::vector<int> progress;
        autoSearch(data, findPeak(data).PeakOffset, [&](int a) { progress.push_back(a); });
        QCOMPARE(progress.size(), size_t(100));
        for (int a = 1; a <= 100; ++a)
            QCOMPARE(progress[size_t(a - 1)], a);
    }

    void progressStep_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("step");
        QTest::newRow("862") << 862 << 8;
        QTest::newRow("850: 8.5 rounds to 8") << 850 << 7;
        QTest::newRow("950: 9.5 rounds to 10") << 950 << 9;
        QTest::newRow("100") << 100 << 0;
        QTest::newRow("1249") << 1249 << 11;
    }
    void progressStep()
    {
        QFETCH(int, width);
        QFETCH(int, step);
        QCOMPARE(::progressStep(width), step);
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
