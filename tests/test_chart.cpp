// The chart as an instrument: the readout's point, zoom and pan limits, the
// labels that follow the zoom, and the way back to the whole range.
#include "WindowFixture.h"
#include "analysis/ChartNavigator.h"

#include <QCategoryAxis>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>

class TestChart : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;

    void runOnDays(int days)
    {
        StringGrid *grid = w->strGrid;
        grid->setRowCountWithHeader(24 * days + 1);
        for (int j = 0; j < 24 * days; ++j) {
            grid->setCell(0, j + 1, QDate(2008, 12, 1).addDays(j / 24).toString("dd.MM.yyyy"));
            grid->setCell(1, j + 1, QString::number(j % 24));
            grid->setCell(2, j + 1, QString::number(j == 30 ? 95 : 10 + (j * 7) % 9));
        }
        w->dtp1->setDate(QDate(2008, 12, 1));
        w->dtp2->setDate(QDate(2008, 12, 1).addDays(days - 1));
        w->tbRun->trigger();
        QCoreApplication::processEvents();
    }
    double span() const { return w->BottomAxis->max() - w->BottomAxis->min(); }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni("en"));
        w->resize(870, 500);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void cleanup() { m_f.reset(); }

    void nearestPoint_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::newRow("on a point") << 5.0 << 10 << 4;
        QTest::newRow("between, nearer the left") << 5.4 << 10 << 4;
        QTest::newRow("between, nearer the right") << 5.6 << 10 << 5;
        QTest::newRow("left of the first, in the axis margin") << -3.0 << 10 << 0;
        QTest::newRow("right of the last") << 11.7 << 10 << 9;
        QTest::newRow("no points") << 1.0 << 0 << -1;
        QTest::newRow("not a number") << qQNaN() << 10 << -1;
    }
    void nearestPoint()
    {
        QFETCH(double, x);
        QFETCH(int, count);
        QFETCH(int, index);
        QCOMPARE(ChartNavigator::nearestPoint(x, count), index);
    }

    void labelsOnWholeHours_data()
    {
        QTest::addColumn<double>("span");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<int>("step");
        QTest::newRow("whole range of three days") << 71.0 << true << 24;
        QTest::newRow("whole range of a year") << 8759.0 << true << 1536; // 7 labels fit
        QTest::newRow("a day zoomed") << 23.0 << false << 6;
        QTest::newRow("six hours zoomed") << 6.0 << false << 1;
        QTest::newRow("a week zoomed") << 167.0 << false << 24;
    }
    void labelsOnWholeHours()
    {
        QFETCH(double, span);
        QFETCH(bool, whole);
        QFETCH(int, step);
        QCOMPARE(ChartNavigator::labelStep(span, 700, 90, whole), step);
    }

    void zoomStaysWithinTheData()
    {
        runOnDays(3);
        const double min = w->BottomAxis->min(), max = w->BottomAxis->max();
        for (int i = 0; i < 40; ++i)
            w->Navigator->zoomAt(2, 0.5); // far in, at the left end
        QCOMPARE(span(), ChartNavigator::MinSpan);
        QVERIFY(w->BottomAxis->min() >= min);
        w->Navigator->pan(-1000);
        QCOMPARE(w->BottomAxis->min(), min);
        w->Navigator->pan(+1000);
        QCOMPARE(w->BottomAxis->max(), max);
        for (int i = 0; i < 40; ++i)
            w->Navigator->zoomAt(30, 2); // far out: the whole range, no more
        QCOMPARE(w->BottomAxis->min(), min);
        QCOMPARE(w->BottomAxis->max(), max);
        QVERIFY(!w->Navigator->zoomed());
    }

    void labelsFollowTheZoomAndRunShowsAll()
    {
        runOnDays(3);
        const double min = w->BottomAxis->min(), max = w->BottomAxis->max();
        w->Navigator->zoomTo(25, 49);
        QVERIFY(w->Navigator->zoomed());
        const QStringList labels = w->BottomAxis->categoriesLabels();
        QVERIFY(labels.size() >= 3);
        for (const QString &label : labels) {
            const double at = w->BottomAxis->endValue(label);
            QVERIFY(at >= 25 && at <= 49);
            QCOMPARE(at, std::round(at)); // on a point, a whole hour
        }
        w->tbRun->trigger();
        QCOMPARE(w->BottomAxis->min(), min);
        QCOMPARE(w->BottomAxis->max(), max);
        w->Navigator->zoomTo(25, 49);
        QTest::keyClick(w->Chart1View, Qt::Key_Home);
        QVERIFY(!w->Navigator->zoomed());
    }

    void readoutNamesTheVisibleCurves()
    {
        runOnDays(3);
        w->cbox3->setChecked(false); // the shower curve hidden
        w->ShowerSeries->setVisible(false);
        const QString text = w->Navigator->readout(30);
        QVERIFY2(text.startsWith("02.12.2008 6h, #31"), qPrintable(text));
        QVERIFY(text.contains("Observed: 95"));
        QVERIFY(text.contains("Sporadic: "));
        QVERIFY(!text.contains("Shower:"));
        QCOMPARE(w->Navigator->readout(72), QString()); // past the last point
    }
};

QTEST_MAIN(TestChart)
#include "test_chart.moc"
