// The fit report's core: solar longitude, the bootstrap, the position
// profile and the landscape.
#include "analysis/AutoSearch.h"
#include "analysis/Bootstrap.h"
#include "analysis/FitReport.h"
#include "analysis/PositionProfile.h"
#include "analysis/SolarLongitude.h"
#include "app/DateConv.h"

#include <QTest>

#include <cmath>

namespace {

// Rows of a shower with a known profile on a daily sporadic wave, counts
// drawn once with a fixed seed.
std::vector<TRadData> syntheticRows(int n, const ModelParams &truth, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::vector<TRadData> rows(static_cast<size_t>(n));
    const QDate start(2024, 8, 1);
    for (int j = 0; j < n; ++j) {
        const int h = j % 24;
        const double sporadic = 20 + 10 * std::cos((h - 6) * M_PI / 12);
        const double x = j < truth.P ? std::exp(-double(truth.P - j) / truth.a)
                                     : std::exp(-double(j - truth.P) / truth.b);
        rows[size_t(j)].Date = DateConv::toText(start.addDays(j / 24));
        rows[size_t(j)].Hour = h;
        rows[size_t(j)].Value = Bootstrap::poisson(sporadic + truth.M * x, rng);
    }
    return rows;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { DateConv::setFormat(QStringLiteral("dd.MM.yyyy")); }

    // Published maxima (the IMO's calendars) and the theory's own example.
    void solarLongitude_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<double>("hour");
        QTest::addColumn<double>("expected");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("eta Aquariids 2025") << QDate(2025, 5, 6) << 3.0 << 45.5 << 0.01;
        QTest::newRow("Quadrantids 2024") << QDate(2024, 1, 4) << 9.0 << 283.15 << 0.02;
        QTest::newRow("Perseids 2024") << QDate(2024, 8, 12) << 14.5 << 140.05 << 0.06;
        QTest::newRow("Geminids 2023") << QDate(2023, 12, 14) << 19.0 << 262.2 << 0.02;
        // The March equinox of 2024 (03:06 UT): 0 degrees of date, less the
        // precession of 24.2 years in J2000.0.
        QTest::newRow("equinox 2024") << QDate(2024, 3, 20) << 3.1 << 359.662 << 0.02;
    }
    void solarLongitude()
    {
        QFETCH(QDate, date);
        QFETCH(double, hour);
        QFETCH(double, expected);
        QFETCH(double, tolerance);
        const double got = SolarLongitude::at(date, hour);
        QVERIFY2(std::fabs(got - expected) <= tolerance, qPrintable(QString::number(got, 'f', 4)));
    }

    void solarTheory()
    {
        // Meeus, Astronomical Algorithms, example 25.a: 1992 October 13.0,
        // true longitude 199.90988 degrees.
        QCOMPARE(SolarLongitude::julianDay(QDate(1992, 10, 13), 0), 2448908.5);
        QVERIFY(std::fabs(SolarLongitude::trueLongitudeOfDate(2448908.5) - 199.90988) < 2e-5);
        // Across the year's turn of the longitude the value stays in [0, 360).
        const double before = SolarLongitude::at(QDate(2024, 3, 20), 12);
        QVERIFY(before >= 0 && before < 1);
    }

    void poisson_data()
    {
        QTest::addColumn<double>("mean");
        for (double m : {0.3, 4.0, 9.99, 10.0, 60.0, 2500.0})
            QTest::addRow("%g", m) << m;
    }
    void poisson()
    {
        QFETCH(double, mean);
        std::mt19937_64 rng(7);
        const int n = 40000;
        double sum = 0, squares = 0;
        for (int i = 0; i < n; ++i) {
            const int k = Bootstrap::poisson(mean, rng);
            QVERIFY(k >= 0);
            sum += k;
            squares += double(k) * k;
        }
        const double m = sum / n, var = squares / n - m * m;
        // Within five standard errors of the mean and of the variance.
        QVERIFY2(std::fabs(m - mean) < 5 * std::sqrt(mean / n), qPrintable(QString::number(m)));
        QVERIFY2(std::fabs(var - mean) < 5 * mean * std::sqrt(2.0 / n) + 0.02,
                 qPrintable(QString::number(var)));
        std::mt19937_64 again(7);
        QCOMPARE(Bootstrap::poisson(mean, again), [&] {
            std::mt19937_64 r(7);
            return Bootstrap::poisson(mean, r);
        }());
        QCOMPARE(Bootstrap::poisson(0, rng), 0);
        QCOMPARE(Bootstrap::poisson(-1, rng), 0);
        QCOMPARE(Bootstrap::poisson(1e12, rng), 2147483647); // cut, not wrapped
    }

    // On rows drawn from a known profile the 95 % intervals hold the truth;
    // the result does not depend on the number of threads.
    void bootstrapHoldsTheTruth()
    {
        const ModelParams truth{12, 30, 130, 90};
        std::vector<TRadData> rows = syntheticRows(240, truth, 99);
        const Peak peak = findPeak(rows);
        const SearchBest best = autoSearch(rows, peak.PeakOffset, [](int) {});
        std::vector<TRadData> model;
        HourBins bins;
        fitModel(rows, model, {best.BestA, best.BestB, best.BestPosition, peak.PeakValue}, bins);
        const std::vector<double> expected = Bootstrap::expectedCounts(rows);
        int calls = 0;
        const Bootstrap::Result r = Bootstrap::run(rows, expected, 40, 5, [&](int) {
            ++calls;
            return true;
        });
        QCOMPARE(int(r.replicates.size()) + r.failed, 40);
        QVERIFY(!r.cancelled);
        QVERIFY(calls > 0);
        const FitReport::Intervals iv = FitReport::intervals(r, rows, 0.95);
        QVERIFY2(iv.a.lo <= truth.a && truth.a <= iv.a.hi,
                 qPrintable(QStringLiteral("a %1 %2").arg(iv.a.lo).arg(iv.a.hi)));
        QVERIFY2(iv.b.lo <= truth.b && truth.b <= iv.b.hi,
                 qPrintable(QStringLiteral("b %1 %2").arg(iv.b.lo).arg(iv.b.hi)));
        QVERIFY2(iv.position.lo <= truth.P && truth.P <= iv.position.hi,
                 qPrintable(QStringLiteral("P %1 %2").arg(iv.position.lo).arg(iv.position.hi)));
        QVERIFY(iv.positionLo.valid && iv.solarLongitude.lo <= iv.solarLongitude.hi);
        const FitReport::Intervals narrow = FitReport::intervals(r, rows, 0.68);
        QVERIFY(narrow.position.lo >= iv.position.lo && narrow.position.hi <= iv.position.hi);

        const Bootstrap::Result one = Bootstrap::run(
            rows, expected, 40, 5, [](int) { return true; }, 1);
        QCOMPARE(one.replicates.size(), r.replicates.size());
        for (size_t i = 0; i < one.replicates.size(); ++i) {
            QCOMPARE(one.replicates[i].a, r.replicates[i].a);
            QCOMPARE(one.replicates[i].P, r.replicates[i].P);
        }
        const Bootstrap::Result other =
            Bootstrap::run(rows, expected, 40, 6, [](int) { return true; });
        bool differs = false;
        for (size_t i = 0; i < std::min(other.replicates.size(), r.replicates.size()); ++i)
            differs = differs || other.replicates[i].b != r.replicates[i].b;
        QVERIFY(differs); // another seed, other draws
    }

    void bootstrapCancels()
    {
        const std::vector<TRadData> rows = syntheticRows(240, {12, 30, 130, 90}, 1);
        std::vector<double> expected(rows.size(), 30.0);
        const Bootstrap::Result r = Bootstrap::run(
            rows, expected, 1000, 1, [](int) { return false; }, 1);
        QVERIFY(r.cancelled);
        QVERIFY(r.replicates.size() + size_t(r.failed) < 1000);
    }

    void percentiles()
    {
        const std::vector<double> v = {5, 1, 4, 2, 3, 6, 7, 8, 9, 10};
        QCOMPARE(Bootstrap::percentile(v, 0.025), 1.0);
        QCOMPARE(Bootstrap::percentile(v, 0.5), 5.0);
        QCOMPARE(Bootstrap::percentile(v, 0.975), 10.0);
        QCOMPARE(Bootstrap::interval(v, 0.68).lo, 2.0);
        QCOMPARE(Bootstrap::interval(v, 0.68).hi, 9.0);
        QVERIFY(std::isnan(Bootstrap::percentile({}, 0.5)));
    }

    // The kernel's profile equals a plain loop over the exact fit.
    void profileEqualsTheLiteralFit()
    {
        // Two days: the hours of two rows have no line where the two lie
        // symmetric about the position and a = b, so the profile has gaps.
        const std::vector<TRadData> rows = syntheticRows(50, {3, 5, 30, 60}, 3);
        const PositionProfile::Profile fast = PositionProfile::compute(
            rows, [](int, int) { return true; }, 2);
        const PositionProfile::Profile literal = PositionProfile::computeLiteral(rows);
        QCOMPARE(fast.points.size(), size_t(49));
        QCOMPARE(fast.points.size(), literal.points.size());
        for (size_t i = 0; i < fast.points.size(); ++i) {
            const PositionProfile::Point &f = fast.points[i], &l = literal.points[i];
            QCOMPARE(f.position, int(i) + 1);
            QCOMPARE(f.gap, l.gap);
            QCOMPARE(f.a, l.a);
            QCOMPARE(f.b, l.b);
            QCOMPARE(f.dO, l.dO);
        }
        QCOMPARE(fast.bestPosition, literal.bestPosition);
        QCOMPARE(fast.bestDO, literal.bestDO);
        const QByteArray csv = FitReport::profileCsv(fast);
        QVERIFY2(csv.startsWith("position,a,b,dO\n1,"), csv.left(200).constData());
        const auto gaps = std::count_if(fast.points.begin(), fast.points.end(),
                                        [](const PositionProfile::Point &p) { return p.gap; });
        QVERIFY(gaps > 0 && gaps < 49);
        QCOMPARE(csv.count('\n'), 50 - gaps);
        QVERIFY(fast.bestPosition > 0);
    }

    void profileCancels()
    {
        const std::vector<TRadData> rows = syntheticRows(240, {12, 30, 130, 90}, 2);
        const PositionProfile::Profile p = PositionProfile::compute(
            rows, [](int, int) { return false; }, 1);
        QVERIFY(p.cancelled);
        QVERIFY(p.points.size() < 239);
    }

    void undetermined_data()
    {
        QTest::addColumn<QList<double>>("dO");
        QTest::addColumn<int>("peakOffset");
        QTest::addColumn<bool>("undetermined");
        QList<double> sharp, flat;
        for (int p = 1; p <= 60; ++p) {
            sharp << 0.1 + 0.01 * std::abs(p - 30);
            flat << 0.1 + 0.00005 * std::abs(p - 30);
        }
        QTest::newRow("sharp minimum in the window") << sharp << 28 << false;
        QTest::newRow("sharp minimum outside the window") << sharp << 40 << true;
        QTest::newRow("flat") << flat << 30 << true;
    }
    void undetermined()
    {
        QFETCH(QList<double>, dO);
        QFETCH(int, peakOffset);
        QFETCH(bool, undetermined);
        PositionProfile::Profile p;
        for (int i = 0; i < dO.size(); ++i)
            p.points.push_back({i + 1, 1, 1, dO[i], false});
        p.bestPosition = 30;
        p.bestDO = 0.1;
        QCOMPARE(PositionProfile::undetermined(p, peakOffset), undetermined);
    }

    // The landscape the search scored is the one scored at the position alone.
    void landscape()
    {
        const std::vector<TRadData> rows = syntheticRows(120, {6, 9, 60, 50}, 4);
        const Peak peak = findPeak(rows);
        SearchScores scores;
        const SearchBest best = autoSearch(
            rows, peak.PeakOffset, [](int) {}, 2, &scores);
        const PositionProfile::Landscape fromSearch =
            PositionProfile::fromScores(scores, peak.PeakOffset, best.BestPosition);
        const PositionProfile::Landscape alone =
            PositionProfile::landscape(rows, best.BestPosition);
        QVERIFY(fromSearch.valid());
        QCOMPARE(fromSearch.dO, alone.dO);
        QCOMPARE(fromSearch.bestA, best.BestA);
        QCOMPARE(fromSearch.bestB, best.BestB);
        QCOMPARE(fromSearch.bestDO, best.BestDeviation);
        QVERIFY(!PositionProfile::fromScores(scores, peak.PeakOffset, peak.PeakOffset + 6).valid());
        const QByteArray csv = FitReport::landscapeCsv(alone);
        QCOMPARE(csv.count('\n'), 10001);
        // Near the start the kernel's window is moved, not cut: position 2
        // gives the exact fit's scores; before position 1 there is none.
        const PositionProfile::Landscape early = PositionProfile::landscape(rows, 2);
        std::vector<TRadData> data = rows, model;
        HourBins bins;
        QCOMPARE(early.dO[size_t(6 * 100 + 9)], fitModel(data, model, {7, 10, 2, 0}, bins));
        QVERIFY(!PositionProfile::landscape(rows, 0).valid());
        QCOMPARE(FitReport::landscapeCsv(PositionProfile::landscape(rows, -3)),
                 QByteArray("a,b,dO\n"));
        // The search with one thread gives the same scores.
        SearchScores single;
        autoSearch(
            rows, peak.PeakOffset, [](int) {}, 1, &single);
        QCOMPARE(single, scores);
    }

    void rowTimes()
    {
        std::vector<TRadData> rows(4);
        const char *dates[] = {"01.08.2024", "01.08.2024", "02.08.2024", "bad"};
        const int hours[] = {22, 23, 3, 5};
        for (int j = 0; j < 4; ++j) {
            rows[size_t(j)].Date = dates[j];
            rows[size_t(j)].Hour = hours[j];
        }
        QCOMPARE(FitReport::missingHours(rows), qint64(3)); // 00h, 01h, 02h
        const FitReport::RowTime t = FitReport::timeOfRow(rows, 2);
        QVERIFY(t.valid);
        QCOMPARE(t.hour, 3);
        QCOMPARE(t.solarLongitude, SolarLongitude::at(QDate(2024, 8, 2), 3));
        QVERIFY(!FitReport::timeOfRow(rows, 3).valid);
        QVERIFY(!FitReport::timeOfRow(rows, 4).valid);
        QVERIFY(!FitReport::timeOfRow(rows, -1).valid);
        QCOMPARE(FitReport::shapeOf({10, 20, 1, 1}).fwhm, 30 * std::log(2.0));
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "test_report.moc"
