// Auto Calc in the window: its messages, the controls it sets, its progress
// bar, the commands it refuses and a close asked for while it runs.
#include "WindowFixture.h"
#include "analysis/AutoSearch.h"
#include "app/gui/Widgets.h"
#include "table/gui/StringGrid.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineSeries>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cmath>

class TestAutoCalc : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;
    StringGrid *grid = nullptr;

    // Days of hourly rows from 01.12.2008 with a peak at the given offset.
    void fillDays(int days, int peakOffset, int peakValue, int secondPeak = -1)
    {
        grid->setRowCountWithHeader(24 * days + 1);
        for (int j = 0; j < 24 * days; ++j) {
            grid->setCell(0, j + 1, QDate(2008, 12, 1).addDays(j / 24).toString("dd.MM.yyyy"));
            grid->setCell(1, j + 1, QString::number(j % 24));
            const bool peak = j == peakOffset || j == secondPeak;
            grid->setCell(2, j + 1, QString::number(peak ? peakValue : 10 + (j * 7) % 9));
        }
        w->dtp1->setDate(QDate(2008, 12, 1));
        w->dtp2->setDate(QDate(2008, 12, 1).addDays(days - 1));
    }
    SearchBest expected(int peakOffset)
    {
        std::vector<TRadData> data;
        RowSelection all{1, grid->rowCountWithHeader() - 1};
        readRows(grid->model(), all, 2, data);
        return autoSearch(data, peakOffset, [](int) {});
    }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni("en"));
        grid = w->strGrid;
        w->resize(870, 500);
        w->show();
    }
    void cleanup() { m_f.reset(); }

    void searchSetsTheBestAndRuns()
    {
        fillDays(3, 30, 95);
        const SearchBest best = expected(30);
        w->tbAutoCalc->trigger();
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());
        QCOMPARE(w->UpA->value(), best.BestA);
        QCOMPARE(w->UpB->value(), best.BestB);
        QCOMPARE(w->UpMInt->value(), best.BestPosition);
        QCOMPARE(w->UpMax->value(), 95);
        QCOMPARE(w->PageControl1->currentIndex(), 1);
        QVERIFY(w->tbSaveGraph->isEnabled());
        QCOMPARE(w->StatusPanel0->panelWidth(), 0);
        QCOMPARE(w->lZdO->text(), QLocale().toString(best.BestDeviation, 'f', 5));
        QCOMPARE(w->ObservedSeries->count(), 72);
    }

    void peakInTheFirstSixRows_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("message");
        QTest::newRow("sixth row") << 5 << true;
        QTest::newRow("seventh row") << 6 << false;
    }
    void peakInTheFirstSixRows()
    {
        QFETCH(int, offset);
        QFETCH(bool, message);
        fillDays(3, offset, 95);
        w->tbSaveGraph->setEnabled(true);
        w->tbAutoCalc->trigger();
        QVERIFY(!message || !w->tbSaveGraph->isEnabled());
        QCOMPARE(m_f->dialogs.messages.size(), size_t(message ? 1 : 0));
        if (message) {
            QCOMPARE(m_f->dialogs.messages[0].text, w->msg(6));
            QCOMPARE(m_f->dialogs.messages[0].flags, 48);
            QCOMPARE(w->PageControl1->currentIndex(), 0);
        } else {
            const int P = w->UpMInt->value();
            QVERIFY2(P >= 1 && P <= 11, qPrintable(QString::number(P)));
        }
    }

    void laterOfTwoEqualPeaksSetsTheRange()
    {
        fillDays(3, 20, 95, 50);
        w->tbAutoCalc->trigger();
        const int P = w->UpMInt->value();
        QVERIFY2(P >= 45 && P <= 55, qPrintable(QString::number(P)));
    }

    void rangesAreThoseOfADataPageRun()
    {
        // A Run on the data page first: its maxima become 71 and 40.
        fillDays(3, 60, 40);
        w->tbRun->trigger();
        QCOMPARE(w->UpMInt->maximum(), 71);
        // Counts still rising at the last row: the best maximum lies past it.
        for (int j = 0; j < 72; ++j)
            grid->setCell(2, j + 1,
                          QString::number(10 + (j * 7) % 9 + int(300 * std::exp((j - 71) / 4.0))));
        const SearchBest best = expected(71);
        QVERIFY(best.BestPosition > 71);
        w->tbAutoCalc->trigger();
        // Auto Calc gives the up-downs the ranges of its own rows, as a Run
        // on the data page does: the position is cut to the last row, the
        // maximum is the new peak and not the earlier Run's 40.
        QCOMPARE(w->UpMInt->value(), 71);
        QCOMPARE(w->UpMax->maximum(), 312);
        QCOMPARE(w->UpMax->value(), 312);
        QCOMPARE(w->ProfileSeries->at(71).y(), 312.0);
    }

    void noSelectionEndsQuietly()
    {
        fillDays(3, 30, 95);
        w->dtp1->setDate(QDate(2009, 1, 1));
        w->tbAutoCalc->trigger();
        QVERIFY(m_f->dialogs.messages.empty());
        QVERIFY(m_f->dialogs.errors.isEmpty());
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        QCOMPARE(w->UpA->value(), 50);
    }

    void missingHourStopsWithTheBarOneStepWide()
    {
        fillDays(1, 10, 95);
        grid->setRowCountWithHeader(21); // hours 20 to 23 have no row
        const int step = progressStep(w->StatusBar1->width());
        w->tbAutoCalc->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList{"Invalid floating point operation"});
        QCOMPARE(w->StatusPanel0->panelWidth(), std::max(step, 0));
        QCOMPARE(w->UpA->value(), 50);
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        QVERIFY(!w->tbSaveGraph->isEnabled());
        QVERIFY(w->tbRun->isEnabled()); // the commands are back
        QVERIFY(grid->isEnabled());
    }

    void commandsAreRefusedAndCloseWaits()
    {
        fillDays(3, 30, 95);
        bool runEnabled = true, gridEnabled = true, openEnabled = true;
        int barWidth = -1;
        QTimer::singleShot(0, w, [&] {
            // Inside the search's message processing.
            runEnabled = w->tbRun->isEnabled();
            openEnabled =
                w->OpenTXT1->isEnabled() || w->Import1->isEnabled() || w->tbImport->isEnabled();
            gridEnabled = grid->isEnabled();
            barWidth = w->StatusPanel0->panelWidth();
            w->close();
        });
        w->tbAutoCalc->trigger();
        QVERIFY(!runEnabled);
        QVERIFY(!openEnabled);
        QVERIFY(!gridEnabled);
        QCOMPARE(barWidth, progressStep(w->StatusBar1->width()));
        // The search and its Run ended before the window closed.
        QVERIFY(w->tbSaveGraph->isEnabled());
        QCOMPARE(w->ObservedSeries->count(), 72);
        QVERIFY(w->isVisible());
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(w->tbRun->isEnabled());
    }
};

QTEST_MAIN(TestAutoCalc)
#include "test_autocalc.moc"
