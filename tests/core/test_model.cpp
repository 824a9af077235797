// The activity model: selection, reading, the fit and its failures.
#include "analysis/ActivityModel.h"
#include "analysis/RunPipeline.h"
#include "app/Errors.h"
#include "table/GridModel.h"

#include <QTest>
#include <cmath>

namespace {

struct Row {
    QString date;
    QString hour;
    QString count;
};

void fill(GridModel &grid, const std::vector<Row> &rows)
{
    grid.setRowCountWithHeader(static_cast<int>(rows.size()) + 1);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        grid.setCell(0, r, rows[i].date);
        grid.setCell(1, r, rows[i].hour);
        grid.setCell(2, r, rows[i].count);
    }
}

// Hourly rows over whole days, counts from a function of the offset.
std::vector<Row> days(int count, const std::function<QString(int)> &value, int firstDay = 1)
{
    std::vector<Row> rows;
    for (int j = 0; j < 24 * count; ++j)
        rows.push_back(
            {QStringLiteral("%1.12.2008").arg(firstDay + j / 24, 2, 10, QLatin1Char('0')),
             QString::number(j % 24), value(j)});
    return rows;
}

std::vector<TRadData> read(const GridModel &grid, Peak *peak = nullptr)
{
    RowSelection s{1, grid.rowCountWithHeader() - 1};
    std::vector<TRadData> rows;
    Peak p = readRows(grid, s, 2, rows);
    if (peak)
        *peak = p;
    return rows;
}

// An independent least-squares fit per hour of day, written from the
// normal equations with centred sums in long double.
struct Reference {
    std::array<long double, 24> K{}, C{};
    long double dO = 0;
};

Reference reference(const std::vector<TRadData> &data, int a, int b, int P)
{
    Reference ref;
    const size_t n = data.size();
    std::vector<long double> x(n);
    for (size_t j = 0; j < n; ++j) {
        long double d = static_cast<long double>(j) - P;
        x[j] = d <= 0 ? std::exp(d / a) : std::exp(-d / b);
    }
    for (int h = 0; h < 24; ++h) {
        long double mx = 0, my = 0, count = 0;
        for (size_t j = 0; j < n; ++j)
            if (data[j].Hour == h) {
                mx += x[j];
                my += data[j].Value;
                count += 1;
            }
        mx /= count;
        my /= count;
        long double sxy = 0, sxx = 0;
        for (size_t j = 0; j < n; ++j)
            if (data[j].Hour == h) {
                sxy += (x[j] - mx) * (data[j].Value - my);
                sxx += (x[j] - mx) * (x[j] - mx);
            }
        ref.K[size_t(h)] = sxy / sxx;
        ref.C[size_t(h)] = my - ref.K[size_t(h)] * mx;
    }
    long double D = 0, T = 0;
    for (size_t j = 0; j < n; ++j) {
        const auto h = size_t(data[j].Hour);
        long double model = ref.K[h] * x[j] + ref.C[h];
        D += std::fabs(data[j].Value - model);
        T += model + data[j].Value;
    }
    ref.dO = std::fabs(D / T);
    return ref;
}

QString failureOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const VexlorError &e) {
        return e.text();
    }
    return QStringLiteral("no failure");
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT
private slots:
    void profileFactor()
    {
        GridModel grid;
        fill(grid, days(2, [](int j) { return QString::number(10 + (j * 7) % 13); }));
        std::vector<TRadData> data = read(grid), model;
        HourBins bins;
        fitModel(data, model, {50, 30, 10, 77}, bins);
        QCOMPARE(model[0].Value, 0.8187307530779818);
        QCOMPARE(model[0].Value, std::exp(-0.2));
        QCOMPARE(model[10].Value, 1.0);
        QCOMPARE(model[10].Profile, 77.0);
        QCOMPARE(model[11].Value, std::exp(-1.0 / 30));
        QCOMPARE(model[11].Profile, 77 * std::exp(-1.0 / 30));
    }

    void fitAgreesWithAnIndependentCalculation_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("P");
        QTest::newRow("peak in the middle") << 20 << 10 << 40;
        QTest::newRow("slow rise, fast decay") << 90 << 3 << 60;
        QTest::newRow("peak beyond the rows") << 15 << 15 << 100;
        QTest::newRow("peak at the first row") << 7 << 40 << 1;
    }
    void fitAgreesWithAnIndependentCalculation()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, P);
        GridModel grid;
        fill(grid, days(3, [](int j) {
                 return QString::number(
                     20 + (j % 24) + int(60 * std::exp(-std::abs(j - 38) / 9.0)) + (j * 37) % 11);
             }));
        std::vector<TRadData> data = read(grid), model;
        HourBins bins;
        const double dO = fitModel(data, model, {a, b, P, 50}, bins);
        const Reference ref = reference(data, a, b, P);
        for (size_t h = 0; h < 24; ++h) {
            QVERIFY2(std::fabs(bins.ShowerCoef[h] - double(ref.K[h])) <
                         1e-8 * (1 + std::fabs(double(ref.K[h]))),
                     qPrintable(QString("K(%1) %2 vs %3")
                                    .arg(h)
                                    .arg(bins.ShowerCoef[h])
                                    .arg(double(ref.K[h]))));
            QVERIFY(std::fabs(bins.SporadicLevel[h] - double(ref.C[h])) <
                    1e-8 * (1 + std::fabs(double(ref.C[h]))));
            QCOMPARE(bins.HourCount[h], 3);
        }
        QVERIFY2(std::fabs(dO - double(ref.dO)) < 1e-12,
                 qPrintable(QString("%1 vs %2").arg(dO).arg(double(ref.dO))));
        for (size_t j = 0; j < data.size(); ++j) {
            const auto h = size_t(data[j].Hour);
            QCOMPARE(data[j].Shower, bins.ShowerCoef[h] * model[j].Value);
            QCOMPARE(data[j].Sporadic, bins.SporadicLevel[h]);
        }
    }

    void constantCountsFitTheBackgroundExactly()
    {
        GridModel grid;
        fill(grid, days(2, [](int) { return QStringLiteral("7"); }));
        std::vector<TRadData> data = read(grid), model;
        HourBins bins;
        const double dO = fitModel(data, model, {10, 17, 30, 50}, bins);
        for (size_t h = 0; h < 24; ++h) {
            QVERIFY(std::fabs(bins.ShowerCoef[h]) < 1e-9);
            QVERIFY(std::fabs(bins.SporadicLevel[h] - 7) < 1e-9);
        }
        QVERIFY(dO < 1e-12);
        QCOMPARE(QString::number(dO, 'f', 5), QString("0.00000"));
    }

    void zeroDivisors_data()
    {
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("P");
        QTest::addColumn<QString>("error");
        const QString zero = "Floating point division by zero";
        const QString invalid = "Invalid floating point operation";
        QTest::newRow("a = 0 with rows before P") << 2 << "5" << 0 << 10 << 20 << zero;
        QTest::newRow("a = 0, first row at P") << 2 << "5" << 0 << 10 << 0 << invalid;
        QTest::newRow("b = 0 with rows after P") << 2 << "5" << 10 << 0 << 20 << zero;
        QTest::newRow("b = 0 without rows after P") << 2 << "var" << 10 << 0 << 60 << "no failure";
        QTest::newRow("an hour without rows") << 0 << "5" << 10 << 10 << 5 << invalid;
        QTest::newRow("every count zero") << 2 << "0" << 10 << 10 << 20 << invalid;
        QTest::newRow("every count empty") << 2 << "" << 10 << 10 << 20 << invalid;
        QTest::newRow("one row an hour") << 1 << "5" << 10 << 10 << 5 << invalid;
    }
    void zeroDivisors()
    {
        QFETCH(int, dayCount);
        QFETCH(QString, count);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, P);
        QFETCH(QString, error);
        auto value = [&](int j) {
            return count == "var" ? QString::number(3 + (j * 5) % 7) : count;
        };
        std::vector<Row> rows = dayCount > 0 ? days(dayCount, value) : days(1, value);
        if (dayCount == 0)
            rows.resize(20); // hours 20 to 23 have no row
        GridModel grid;
        fill(grid, rows);
        std::vector<TRadData> data = read(grid), model;
        HourBins bins;
        QCOMPARE(failureOf([&] { fitModel(data, model, {a, b, P, 50}, bins); }), error);
    }

    void selection_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("valid");
        QTest::newRow("start equals end") << "02.12.2008"
                                          << "02.12.2008" << 3 << 5 << true;
        QTest::newRow("whole table") << "01.12.2008"
                                     << "03.12.2008" << 1 << 7 << true;
        QTest::newRow("other format not found") << "2.12.2008"
                                                << "03.12.2008" << 0 << 7 << false;
        QTest::newRow("added blank not found") << "01.12.2008 "
                                               << "03.12.2008" << 0 << 7 << false;
        QTest::newRow("end above start") << "03.12.2008"
                                         << "01.12.2008" << 6 << 2 << false;
    }
    void selection()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, valid);
        GridModel grid;
        // Row 4 holds another text: rows between are taken whatever their date.
        fill(grid, {{"01.12.2008", "0", "1"},
                    {"01.12.2008", "1", "1"},
                    {"02.12.2008", "0", "1"},
                    {"garbage", "1", "1"},
                    {"02.12.2008", "2", "1"},
                    {"03.12.2008", "0", "1"},
                    {"03.12.2008", "1", "1"}});
        RowSelection s = selectRows(grid, start, end);
        QCOMPARE(s.FirstRow, first);
        QCOMPARE(s.LastRow, last);
        QCOMPARE(s.valid(), valid);
        if (valid && first == 3) {
            std::vector<TRadData> rows;
            readRows(grid, s, 2, rows);
            QCOMPARE(rows.size(), size_t(3));
            QCOMPARE(rows[1].Date, QString("garbage"));
        }
    }

    void readingFailures_data()
    {
        QTest::addColumn<QString>("hour");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("error");
        QTest::newRow("hour 24") << "24"
                                 << "1"
                                 << "'24' is not a valid hour of day";
        QTest::newRow("hour -1") << "-1"
                                 << "1"
                                 << "'-1' is not a valid hour of day";
        QTest::newRow("hour 1e3") << "1e3"
                                  << "1"
                                  << "'1e3' is not a valid integer value";
        QTest::newRow("hour too large") << "99999999999"
                                        << "1"
                                        << "'99999999999' is not a valid integer value";
        QTest::newRow("empty hour") << ""
                                    << "1"
                                    << "'' is not a valid integer value";
        QTest::newRow("count 12.5") << "3"
                                    << "12.5"
                                    << "'12.5' is not a valid integer value";
        QTest::newRow("count 1,000") << "3"
                                     << "1,000"
                                     << "'1,000' is not a valid integer value";
        QTest::newRow("count with a blank after") << "3"
                                                  << "7 "
                                                  << "'7 ' is not a valid integer value";
    }
    void readingFailures()
    {
        QFETCH(QString, hour);
        QFETCH(QString, count);
        QFETCH(QString, error);
        GridModel grid;
        fill(grid, {{"d", "0", "5"}, {"d", hour, count}});
        QCOMPARE(failureOf([&] { read(grid); }), error);
    }

    void peakSearch_data()
    {
        QTest::addColumn<QStringList>("counts");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("offset");
        QTest::newRow("single largest") << QStringList{"3", "9", "4"} << 9 << 1;
        QTest::newRow("tie: later row wins") << QStringList{"9", "2", "9", "1"} << 9 << 2;
        QTest::newRow("all zero: last row") << QStringList{"0", "", "0"} << 0 << 2;
        QTest::newRow("all negative: offset 0") << QStringList{"-3", "-1"} << 0 << 0;
        QTest::newRow("empty counts as zero") << QStringList{"", "-2"} << 0 << 0;
    }
    void peakSearch()
    {
        QFETCH(QStringList, counts);
        QFETCH(int, value);
        QFETCH(int, offset);
        std::vector<Row> rows;
        for (const QString &c : counts)
            rows.push_back({"d", "1", c});
        GridModel grid;
        fill(grid, rows);
        Peak peak;
        std::vector<TRadData> data = read(grid, &peak);
        QCOMPARE(peak.PeakValue, value);
        QCOMPARE(peak.PeakOffset, offset);
        QCOMPARE(data[0].Value, counts[0].isEmpty() ? 0.0 : counts[0].toDouble());
    }

    void countColumnFollowsTheList()
    {
        QCOMPARE(countColumn(0), 2);
        QCOMPARE(countColumn(10), 12);
        QCOMPARE(countColumn(-1), 1); // an empty list reads the hours as counts
    }

    void axisMaximum_data()
    {
        QTest::addColumn<int>("peak");
        QTest::addColumn<int>("max");
        QTest::newRow("0") << 0 << 10;
        QTest::newRow("9") << 9 << 10;
        QTest::newRow("10") << 10 << 20;
        QTest::newRow("47") << 47 << 50;
        QTest::newRow("50") << 50 << 60;
    }
    void axisMaximum()
    {
        QFETCH(int, peak);
        QFETCH(int, max);
        QCOMPARE(::axisMaximum(peak), max);
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "test_model.moc"
