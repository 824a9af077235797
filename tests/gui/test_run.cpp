// Run in the window: the controls it resets, the readout and the chart.
#include "WindowFixture.h"
#include "app/gui/Widgets.h"
#include "files/ExtractField.h"
#include "files/SheetTable.h"
#include "files/TextFormat.h"
#include "files/workbook/Workbook.h"
#include "table/gui/StringGrid.h"

#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineSeries>
#include <QProcess>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QValueAxis>

class TestRun : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;
    StringGrid *grid = nullptr;

    // Whole days of hourly rows from 01.12.2008; the Sum column peaks at the
    // given offset with the given value.
    void fillDays(int days, int peakOffset, int peakValue)
    {
        grid->setRowCountWithHeader(24 * days + 1);
        for (int j = 0; j < 24 * days; ++j) {
            grid->setCell(0, j + 1, QDate(2008, 12, 1).addDays(j / 24).toString("dd.MM.yyyy"));
            grid->setCell(1, j + 1, QString::number(j % 24));
            grid->setCell(2, j + 1,
                          QString::number(j == peakOffset ? peakValue : 10 + (j * 7) % 9));
            grid->setCell(3, j + 1, QString::number(j % 5));
        }
        w->dtp1->setDate(QDate(2008, 12, 1));
        w->dtp2->setDate(QDate(2008, 12, 1).addDays(days - 1));
    }
    QList<QLineSeries *> series() const
    {
        QList<QLineSeries *> out;
        for (QAbstractSeries *s : w->Chart1->series())
            out << static_cast<QLineSeries *>(s);
        return out;
    }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni("en"));
        grid = w->strGrid;
        QLocale::setDefault(QLocale::c());
    }
    void cleanup() { m_f.reset(); }

    void runFromTheDataPage()
    {
        fillDays(3, 30, 95);
        QVERIFY(series().isEmpty());
        w->tbRun->trigger();
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());
        QCOMPARE(w->PageControl1->currentIndex(), 1);
        QVERIFY(w->tbSaveGraph->isEnabled());
        QCOMPARE(w->UpMInt->maximum(), 71);
        QCOMPARE(w->UpMInt->value(), 30);
        QCOMPARE(w->UpMInt->minimum(), 1);
        QCOMPARE(w->UpMax->maximum(), 95);
        QCOMPARE(w->UpMax->value(), 95);
        QCOMPARE(w->UpMax->minimum(), 1);

        // The readout is the core's dO with five decimals.
        std::vector<TRadData> data, model;
        readRows(grid->model(), {1, 72}, 2, data);
        HourBins bins;
        const double dO = fitModel(data, model, {50, 50, 30, 95}, bins);
        QCOMPARE(w->lZdO->text(), QString::number(dO, 'f', 5));

        const QList<QLineSeries *> lines = series();
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], w->ObservedSeries);
        QCOMPARE(lines[3], w->SporadicSeries);
        for (QLineSeries *s : lines)
            QCOMPARE(s->count(), 72);
        QCOMPARE(w->ObservedSeries->at(30), QPointF(31, 95));
        QCOMPARE(w->ProfileSeries->at(30).y(), 95.0);
        QCOMPARE(w->ShowerSeries->at(5).y(), data[5].Shower);
        QCOMPARE(w->SporadicSeries->at(71), QPointF(72, data[71].Sporadic));
        QCOMPARE(w->ObservedSeries->pen().width(), 2);
        QCOMPARE(w->ProfileSeries->pen().width(), 1);
        QCOMPARE(w->ObservedSeries->pen().color(), w->Shape1->brushColor());
        QCOMPARE(w->SporadicSeries->pen().color(), w->Shape4->brushColor());
        QCOMPARE(w->ObservedSeries->name(), w->cbox1->text());
        QCOMPARE(w->ShowerSeries->name(), QString("Shower"));

        QCOMPARE(w->PointLabels.size(), size_t(72));
        QCOMPARE(w->PointLabels[0], QString("01.12.2008\r0h (1)"));
        QCOMPARE(w->PointLabels[29], QString("02.12.2008\r5h (30)"));
        QCOMPARE(ExtractField(ExtractField(w->PointLabels[40], "\r", 2), "h", 1), QString("16"));

        QCOMPARE(w->LeftAxis->min(), 0.0);
        QCOMPARE(w->LeftAxis->max(), 100.0);
        QCOMPARE(w->LeftAxis->tickCount(), 11);
        QVERIFY(w->BottomAxis->min() < 1.0); // room for the label of point 1
        QCOMPARE(w->BottomAxis->max(), 72.0);
        QVERIFY(!w->BottomAxis->categoriesLabels().isEmpty());
        QCOMPARE(w->BottomAxis->endValue(w->BottomAxis->categoriesLabels().front()), 1.0);
    }

    void firstLabelHasRoomToShow_data()
    {
        QTest::addColumn<int>("days");
        QTest::newRow("3 days") << 3;
        QTest::newRow("40 days") << 40;
    }
    void firstLabelHasRoomToShow()
    {
        // Qt Charts leaves out a label reaching past the axis: point 1 stands
        // at least half its label's width inside the plot.
        QFETCH(int, days);
        w->resize(870, 500);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        fillDays(days, 30, 95);
        w->tbRun->trigger();
        QCoreApplication::processEvents();
        const QString first = w->BottomAxis->categoriesLabels().front();
        QCOMPARE(w->BottomAxis->endValue(first), 1.0);
        const qreal x = w->Chart1->mapToPosition(QPointF(1, 0), w->ObservedSeries).x();
        const int half =
            QFontMetrics(w->BottomAxis->labelsFont()).horizontalAdvance("01.12.2008") / 2;
        QVERIFY2(
            x - w->Chart1->plotArea().left() >= half,
            qPrintable(
                QString("%1 px, label half %2").arg(x - w->Chart1->plotArea().left()).arg(half)));
    }

    void runOnTheGraphPageKeepsTheParameters()
    {
        fillDays(3, 30, 95);
        w->tbRun->trigger();
        w->UpMInt->setValue(12);
        w->UpMax->setValue(40);
        w->UpA->setValue(9);
        w->tbRun->trigger();
        QCOMPARE(w->UpMInt->value(), 12);
        QCOMPARE(w->UpMax->value(), 40);
        QCOMPARE(w->ProfileSeries->at(12).y(), 40.0); // the maximum stands at P
        QCOMPARE(w->ProfileSeries->at(11).y(), 40 * std::exp(-1.0 / 9));
        // Back on the data page, a run resets them again.
        w->PageControl1->setCurrentIndex(0);
        w->tbRun->trigger();
        QCOMPARE(w->UpMInt->value(), 30);
        QCOMPARE(w->UpMax->value(), 95);
    }

    void peakInTheFirstRowGivesPositionOne()
    {
        fillDays(3, 0, 95);
        w->tbRun->trigger();
        QCOMPARE(w->UpMInt->value(), 1);
    }

    void noSelectionEndsQuietly()
    {
        fillDays(3, 30, 95);
        w->tbRun->trigger();
        const QString readout = w->lZdO->text();
        w->PageControl1->setCurrentIndex(0);
        w->dtp1->setDate(QDate(2009, 1, 1));
        w->tbRun->trigger();
        QVERIFY(m_f->dialogs.errors.isEmpty());
        QVERIFY(m_f->dialogs.messages.empty());
        QCOMPARE(w->PageControl1->currentIndex(), 1);
        QVERIFY(!w->tbSaveGraph->isEnabled());
        QCOMPARE(w->lZdO->text(), readout);
        QCOMPARE(w->ObservedSeries->count(), 72);
    }

    void failingRunLeavesTheChart_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("bad count") << 2 << "12.5"
                                   << "'12.5' is not a valid integer value";
        QTest::newRow("empty hour") << 1 << ""
                                    << "'' is not a valid integer value";
        QTest::newRow("hour 24") << 1 << "24"
                                 << "'24' is not a valid hour of day";
    }
    void failingRunLeavesTheChart()
    {
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(QString, error);
        fillDays(3, 30, 95);
        w->tbRun->trigger();
        const QString readout = w->lZdO->text();
        const QPointF point = w->ObservedSeries->at(3);
        grid->setCell(col, 4, text);
        grid->setCell(2, 10, "50"); // a run that got through would change point 10
        w->tbRun->trigger();
        // The conversion's text, then the cell's place; the cursor is on it.
        const QString place = QString("Row 4, column %1").arg(grid->cell(col, 0));
        QCOMPARE(m_f->dialogs.errors, QStringList{error + "\n" + place});
        QCOMPARE(grid->row(), 4);
        QCOMPARE(grid->col(), col);
        QVERIFY(!w->tbSaveGraph->isEnabled());
        QCOMPARE(w->lZdO->text(), readout);
        QCOMPARE(w->ObservedSeries->at(3), point);
        QCOMPARE(w->ObservedSeries->at(9).y(), double(10 + (9 * 7) % 9));
    }

    void shortSelectionStopsWithInvalidOperation()
    {
        fillDays(3, 10, 95);
        w->dtp2->setDate(QDate(2008, 12, 1));
        w->tbRun->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList{"Invalid floating point operation"});
        QVERIFY(series().isEmpty());        // the chart stays as it was
        QCOMPARE(w->UpMInt->maximum(), 23); // the reset had run
    }

    void tenRunsKeepFourSeries()
    {
        fillDays(3, 40, 60);
        for (int i = 0; i < 10; ++i)
            w->tbRun->trigger();
        QCOMPARE(series().size(), 4);
        for (QLineSeries *s : series())
            QCOMPARE(s->count(), 72);
    }

    void uncheckedBoxHidesItsLineAtTheNextRun()
    {
        fillDays(3, 30, 95);
        w->tbRun->trigger();
        w->cbox3->setChecked(false);
        QVERIFY(w->ShowerSeries->isVisible());
        w->tbRun->trigger();
        QVERIFY(!w->ShowerSeries->isVisible());
        QCOMPARE(w->ShowerSeries->count(), 72);
        QVERIFY(w->ObservedSeries->isVisible());
    }

    void swatchColourReachesTheLineAtTheNextRun()
    {
        fillDays(3, 30, 95);
        w->tbRun->trigger();
        const QColor before = w->ProfileSeries->pen().color();
        w->Shape2->setBrushColor(QColor(1, 2, 3));
        QCOMPARE(w->ProfileSeries->pen().color(), before);
        w->tbRun->trigger();
        QCOMPARE(w->ProfileSeries->pen().color(), QColor(1, 2, 3));
    }

    void otherCountColumn()
    {
        fillDays(3, 30, 95);
        w->cbDataList->setCurrentIndex(1); // N1
        w->tbRun->trigger();
        QCOMPARE(w->ObservedSeries->at(7).y(), 2.0);
        QCOMPARE(w->UpMax->value(), 4);
    }

    void largeValuesAreCutTo32767()
    {
        fillDays(1700, 100, 40000); // 40 800 rows
        w->tbRun->trigger();
        QVERIFY(m_f->dialogs.errors.isEmpty());
        QCOMPARE(w->UpMInt->maximum(), 32767);
        QCOMPARE(w->UpMInt->value(), 100);
        QCOMPARE(w->UpMax->maximum(), 32767);
        QCOMPARE(w->UpMax->value(), 32767);
        QCOMPARE(w->UpMax->text(), QString("32,767")); // thousands separator
        QCOMPARE(w->LeftAxis->max(), 40010.0);
    }

    // A peak past the 16-bit position control is refused in words, never
    // fitted at a cut position; one that fits is fitted where it is.
    void positionsPastTheControl_data()
    {
        QTest::addColumn<int>("peakOffset");
        QTest::addColumn<bool>("autoCalc");
        QTest::addColumn<bool>("refused");
        QTest::newRow("Run, the last position") << 32767 << false << false;
        QTest::newRow("Run, one past it") << 32768 << false << true;
        QTest::newRow("Run, ten years in") << 33500 << false << true;
        QTest::newRow("Auto Calc, the window past it") << 32763 << true << true;
    }
    void positionsPastTheControl()
    {
        QFETCH(int, peakOffset);
        QFETCH(bool, autoCalc);
        QFETCH(bool, refused);
        fillDays(1400, peakOffset, 900); // 33 600 rows
        w->lZdO->setText("before");
        (autoCalc ? w->tbAutoCalc : w->tbRun)->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        if (!refused) {
            QCOMPARE(w->UpMInt->value(), peakOffset);
            QCOMPARE(w->LastRunParams.P, peakOffset);
            QCOMPARE(w->ProfileSeries->at(peakOffset).y(), 900.0); // x = 1 at P
            return;
        }
        QCOMPARE(m_f->dialogs.messages.size(), size_t(1));
        const QString message = m_f->dialogs.messages[0].text;
        QVERIFY2(message.contains(
                     QString("lies %1 rows after the start").arg(QLocale().toString(peakOffset))) &&
                     message.contains("at most " + QLocale().toString(32767)) &&
                     message.contains("later start date"),
                 qPrintable(message));
        QCOMPARE(m_f->dialogs.messages[0].flags, 48);
        QCOMPARE(w->lZdO->text(), QString("before"));
        QVERIFY(!w->tbSaveGraph->isEnabled());
        QCOMPARE(w->m_run.DataRows.size(), size_t(0));
    }

    void readoutUsesTheLocaleDecimalSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        // The numbers shown follow the language applied, here one of a
        // decimal comma.
        w->SetLanguage("de");
        fillDays(3, 30, 95);
        w->tbRun->trigger();
        QVERIFY2(w->lZdO->text().contains(','), qPrintable(w->lZdO->text()));
        QCOMPARE(w->lZdO->text().size(), 7); // 0,xxxxx
    }

    void commandLineRunnerAgreesWithTheWindow()
    {
        const QString sample =
            QStringLiteral(VEXLOR_TEST_DATA "/../../resources/samples/perseids_2009.txt");
        grid->replaceRows(TextFormat::load(sample));
        w->dtp1->setDate(QDate(2009, 8, 8));
        w->dtp2->setDate(QDate(2009, 8, 15));
        w->cbDataList->setCurrentIndex(2); // N2
        w->tbRun->trigger();
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());

        QProcess fit;
        fit.start(QStringLiteral(VEXLOR_FIT),
                  {sample, "--from", "08.08.2009", "--to", "15.08.2009", "--column", "N2"});
        QVERIFY(fit.waitForFinished(30000));
        QCOMPARE(fit.exitCode(), 0);
        QMap<QString, QString> out;
        for (const QByteArray &line : fit.readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                out[QString::fromUtf8(line.split(' ').front())] =
                    QString::fromUtf8(line.split(' ').back());
        QCOMPARE(out["rows"], QString("192"));
        QCOMPARE(out["position"], QString::number(w->UpMInt->value()));
        QCOMPARE(out["maximum"], QString::number(w->UpMax->value()));
        QCOMPARE(QString::number(out["dO"].toDouble(), 'f', 5), w->lZdO->text());
        // The 17 digits read back to the very value the window's fit gives.
        std::vector<TRadData> data, model;
        readRows(grid->model(), selectRows(grid->model(), "08.08.2009", "15.08.2009"), 4, data);
        HourBins bins;
        const double dO =
            fitModel(data, model, {50, 50, w->UpMInt->value(), w->UpMax->value()}, bins);
        QCOMPARE(out["dO"].toDouble(), dO);

        // The same table as a workbook gives the same result.
        {
            WorkbookApplication excel;
            excel.workbooks().Add();
            SheetTable::write(grid->model(), excel.ActiveWorkbook().ActiveSheet());
            excel.ActiveWorkbook().SaveAs(m_f->dir.filePath("perseids.xlsx"));
        }
        QProcess book;
        book.start(QStringLiteral(VEXLOR_FIT),
                   {m_f->dir.filePath("perseids.xlsx"), "--from", "08.08.2009", "--to",
                    "15.08.2009", "--column", "N2"});
        QVERIFY(book.waitForFinished(30000));
        QCOMPARE(book.exitCode(), 0);
        QVERIFY(book.readAllStandardOutput().contains("dO " + out["dO"].toUtf8()));

        QProcess bad;
        bad.start(QStringLiteral(VEXLOR_FIT),
                  {sample, "--from", "08.08.2009", "--to", "08.08.2009"});
        QVERIFY(bad.waitForFinished(30000));
        QCOMPARE(bad.exitCode(), 1);
        QCOMPARE(bad.readAllStandardError().trimmed(),
                 QByteArray("Invalid floating point operation"));
    }

    void oneRowChart()
    {
        std::vector<TRadData> data(1), model(1);
        data[0].Date = "01.12.2008";
        data[0].Value = 4;
        w->UpdateChart(data, model, 4);
        for (QLineSeries *s : series())
            QCOMPARE(s->count(), 1);
        QCOMPARE(w->ObservedSeries->at(0), QPointF(1, 4));
        QVERIFY(w->BottomAxis->min() <= 1 && w->BottomAxis->max() >= 1);
        QCOMPARE(w->PointLabels[0], QString("01.12.2008\r0h (1)"));
    }
};

QTEST_MAIN(TestRun)
#include "test_run.moc"
