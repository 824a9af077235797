// The chart as an instrument: the readout's point, zoom and pan limits, the
// labels that follow the zoom, and the way back to the whole range.
#include "WindowFixture.h"
#include "analysis/Figure.h"
#include "analysis/gui/ChartNavigator.h"
#include "files/SheetTable.h"

#include <QCategoryAxis>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineSeries>
#include <QProcess>
#include <QSet>
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

    void pictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("window");
        for (const char *ext : {"png", "svg", "pdf"}) {
            QTest::addRow("%s, Save Picture", ext) << QString("fig.%1").arg(ext) << true;
            QTest::addRow("%s, vexlor-fit --picture", ext) << QString("fig.%1").arg(ext) << false;
        }
    }
    void pictures()
    {
        QFETCH(QString, name);
        QFETCH(bool, window);
        const QString path = m_f->dir.filePath(name);
        if (window) {
            runOnDays(3);
            m_f->dialogs.saveAnswers.push_back(path);
            // The size form (PNG only), answered with what it proposes.
            m_f->dialogs.formAnswers.push_back([](const QStringList &v) { return v; });
            w->SavePicture1->trigger();
            QCOMPARE(m_f->dialogs.forms.size(), size_t(name.endsWith("png") ? 1 : 0));
            QCOMPARE(m_f->dialogs.errors, QStringList());
        } else {
            runOnDays(3);
            m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("t.txt"));
            w->PageControl1->setCurrentIndex(0);
            w->tbSavTxt->trigger();
            QProcess fit;
            fit.start(VEXLOR_FIT, {m_f->dir.filePath("t.txt"), "--from", "01.12.2008", "--to",
                                   "03.12.2008", "--picture", path});
            QVERIFY(fit.waitForFinished(60000));
            QCOMPARE(fit.exitCode(), 0);
            QVERIFY(fit.readAllStandardOutput().contains("picture " + path.toUtf8()));
        }
        const QByteArray bytes = m_f->readFile(name);
        if (name.endsWith("png")) {
            const QImage image = QImage::fromData(bytes, "PNG");
            QCOMPARE(image.size(), QSize(1600, 900));
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); y += 7)
                for (int x = 0; x < image.width(); x += 7)
                    colours.insert(image.pixel(x, y));
            QVERIFY(colours.size() > 8); // not blank: curves, grid, text
            QVERIFY(colours.contains(QColor(0, 0, 255).rgb()));
        } else if (name.endsWith("svg")) {
            for (const char *text : {"01.12.2008 to 03.12.2008", "Observed", "Sporadic",
                                     "Time of the row (UT)", "dO = "})
                QVERIFY2(bytes.contains(text), text);
        } else {
            QVERIFY(bytes.startsWith("%PDF-"));
            QVERIFY(bytes.size() > 2000);
        }
    }

    void pictureSizeInTheWindow_data()
    {
        QTest::addColumn<QStringList>("answer");
        QTest::addColumn<QSize>("size");
        QTest::newRow("chosen") << QStringList{"800", " 450 "} << QSize(800, 450);
        QTest::newRow("too small: refused") << QStringList{"100", "100"} << QSize();
        QTest::newRow("cancelled") << QStringList() << QSize();
    }
    void pictureSizeInTheWindow()
    {
        QFETCH(QStringList, answer);
        QFETCH(QSize, size);
        runOnDays(3);
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("sized.png"));
        m_f->dialogs.formAnswers.push_back([answer](const QStringList &) {
            return answer.isEmpty() ? std::nullopt : std::optional<QStringList>(answer);
        });
        w->SavePicture1->trigger();
        QCOMPARE(m_f->dialogs.forms.front().second, (QStringList{"1600", "900"}));
        if (size.isValid())
            QCOMPARE(QImage(m_f->dir.filePath("sized.png")).size(), size);
        else
            QVERIFY(!QFile::exists(m_f->dir.filePath("sized.png")));
        QCOMPARE(m_f->dialogs.messages.size(), size_t(answer == QStringList{"100", "100"} ? 1 : 0));
        if (size.isValid()) { // proposed again next time
            m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("again.png"));
            w->SavePicture1->trigger();
            QCOMPARE(m_f->dialogs.forms.back().second, (QStringList{"800", "450"}));
        }
    }

    void pictureSizeFromTheCommandLine_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("800x600") << "800x600" << QSize(800, 600);
        QTest::newRow("too small") << "10x10" << QSize();
        QTest::newRow("not a size") << "big" << QSize();
    }
    void pictureSizeFromTheCommandLine()
    {
        QFETCH(QString, size);
        QFETCH(QSize, expected);
        QCOMPARE(Figure::parseSize(size), expected);
    }

    // The points a zoomed span needs: all of them when few, otherwise per
    // pixel column the first, lowest, highest and last, so that no peak is lost.
    void visiblePoints_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<int>("width");
        QTest::newRow("few points: every one and a neighbour each side") << 100.0 << 140.0 << 400;
        QTest::newRow("many points on few columns") << 10.0 << 9000.0 << 300;
        QTest::newRow("at the start") << 1.0 << 50.0 << 400;
        QTest::newRow("at the end") << 9950.0 << 10000.0 << 400;
    }
    void visiblePoints()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(int, width);
        QList<QPointF> all;
        for (int j = 0; j < 10000; ++j)
            all.append(QPointF(j + 1, std::sin(j * 0.37) * 50 + (j == 4321 ? 400 : 0)));
        const QList<QPointF> shown = ChartNavigator::visiblePoints(all, from, to, width);
        QVERIFY(shown.size() <= 4 * width + 4);
        QVERIFY(shown.front().x() <= std::max(1.0, from) &&
                shown.back().x() >= std::min(10000.0, to));
        double highest = -1e9, lowest = 1e9, shownHigh = -1e9, shownLow = 1e9;
        for (const QPointF &p : all)
            if (p.x() >= from && p.x() <= to) {
                highest = std::max(highest, p.y());
                lowest = std::min(lowest, p.y());
            }
        for (qsizetype i = 0; i < shown.size(); ++i) {
            if (i > 0)
                QVERIFY(shown[i].x() > shown[i - 1].x());         // in order, none twice
            QCOMPARE(shown[i], all[qsizetype(shown[i].x()) - 1]); // points of the data
            if (shown[i].x() >= from && shown[i].x() <= to) {
                shownHigh = std::max(shownHigh, shown[i].y());
                shownLow = std::min(shownLow, shown[i].y());
            }
        }
        QCOMPARE(shownHigh, highest);
        QCOMPARE(shownLow, lowest);
        if (to - from < 4 * width)
            QCOMPARE(shown.size(),
                     qsizetype(std::min(10000.0, to + 1) - std::max(1.0, from - 1) + 1));
    }

    // While zoomed the series hold only the span's points; the readout and
    // Save Graph still have every point, and the whole range gets them back.
    void zoomKeepsEveryPointForReadoutAndSaveGraph()
    {
        runOnDays(40);
        QCOMPARE(w->ObservedSeries->count(), 960);
        w->Navigator->zoomTo(100, 140);
        QVERIFY(w->ObservedSeries->count() < 50);
        QCOMPARE(w->Navigator->points(0).size(), qsizetype(960));
        QVERIFY(w->Navigator->readout(30).contains("Observed: 95"));
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("zoomed.xlsx"));
        w->tbSaveGraph->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        const std::vector<GridRow> rows = SheetTable::load(m_f->dir.filePath("zoomed.xlsx"));
        QCOMPARE(rows.size(), size_t(960)); // every point
        QCOMPARE(rows[30].cell(2), QString("95"));
        w->Navigator->reset();
        QCOMPARE(w->ObservedSeries->count(), 960);
        QCOMPARE(w->ObservedSeries->at(30).y(), 95.0);
    }

    void readoutNamesTheVisibleCurves()
    {
        runOnDays(3);
        w->cbox3->setChecked(false); // the shower curve hidden
        w->ShowerSeries->setVisible(false);
        const QString text = w->Navigator->readout(30);
        QVERIFY2(text.startsWith("02.12.2008 6h, offset 30"), qPrintable(text));
        QVERIFY(text.contains("Observed: 95"));
        QVERIFY(text.contains("Sporadic: "));
        QVERIFY(!text.contains("Shower:"));
        QCOMPARE(w->Navigator->readout(72), QString()); // past the last point
    }
};

QTEST_MAIN(TestChart)
#include "test_chart.moc"
