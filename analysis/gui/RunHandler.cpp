// Run: select the rows of the date range, fit the model, show dO, and the
// chart update that draws the Run.
#include "analysis/gui/ChartNavigator.h"
#include "app/Convert.h"
#include "app/DateConv.h"
#include "app/gui/TfrmMain.h"
#include "app/gui/Widgets.h"
#include "table/gui/StringGrid.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QSpinBox>
#include <QTabWidget>
#include <QValueAxis>

void TfrmMain::resetUpDown(QSpinBox *upDown, int maximum, int position)
{
    upDown->setMaximum(std::max(upDownPosition(maximum), upDown->minimum()));
    upDown->setValue(upDownPosition(position));
}

std::optional<RunPipeline::Rows> TfrmMain::readRunRows()
{
    try {
        return RunPipeline::read(strGrid->model(), DateConv::toText(dtp1->date()),
                                 DateConv::toText(dtp2->date()),
                                 countColumn(cbDataList->currentIndex()));
    } catch (const ETableCellError &e) {
        // The conversion's text, and on a second line where the cell is;
        // the table's cursor goes there.
        strGrid->setRow(e.row);
        strGrid->setCol(e.col);
        throw EConvertError(e.text() + u'\n' +
                            text(Text::CellPlace).arg(e.row).arg(strGrid->cell(e.col, 0)));
    }
}

void TfrmMain::tbRunClick()
{
    tbSaveGraph->setEnabled(false);
    const bool ResetControls = PageControl1->currentIndex() != 1;
    PageControl1->setCurrentIndex(1);

    std::optional<RunPipeline::Rows> rows = readRunRows();
    if (!rows) {
        say(whyNoRows(Run1));
        return;
    }
    BusyCursor busy;
    const Peak peak = rows->peak;
    ModelParams params;
    params.a = Convert::StrToInt(UpA->text());
    params.b = Convert::StrToInt(UpB->text());
    if (ResetControls) {
        // The position control holds 16 bits: a peak past that is refused
        // in words rather than fitted at a position it was cut to.
        if (RunPipeline::peakPosition(peak) > RunPipeline::MaxPosition) {
            showMessage(text(Text::PositionPastUpDown)
                            .arg(QLocale().toString(peak.PeakOffset),
                                 QLocale().toString(RunPipeline::MaxPosition)),
                        MB_ICONWARNING);
            return;
        }
        resetUpDown(UpMInt, int(rows->DataRows.size()) - 1, RunPipeline::peakPosition(peak));
        resetUpDown(UpMax, peak.PeakValue, peak.PeakValue);
    }
    params.P = UpMInt->value();
    params.M = UpMax->value();

    RunRecord run = RunPipeline::fit(std::move(*rows), params);
    // Five decimals with the decimal separator of the language shown.
    lZdO->setText(m_texts.decimal(run.dO, 5));
    lZdO->adjustSize();

    m_run = std::move(run);
    UpdateChart(m_run.DataRows, m_run.ModelRows, m_run.peak.PeakValue);
    updatePositionRow();
    updateReport(m_runAfterSearch);
    tbSaveGraph->setEnabled(true);
    say(text(Text::StatusRun)
            .arg(m_texts.count(Text::RowCount, qint64(m_run.size())), lZdO->text()));
}

void TfrmMain::UpdateChart(const std::vector<TRadData> &DataRows,
                           const std::vector<TRadData> &ModelRows, int PeakValue)
{
    const int N = static_cast<int>(DataRows.size());

    // Emptied first: every change of an axis redraws the points it holds.
    for (QAbstractSeries *series : Chart1->series())
        static_cast<QLineSeries *>(series)->clear();

    // Left axis: 0 to the next multiple of ten above the peak, ten steps.
    LeftAxis->setRange(0, axisMaximum(PeakValue));
    LeftAxis->setTickCount(11);

    // Bottom axis: 1 to N, labelled with the points' labels one day (24
    // rows) apart, or every second, fourth ... day when more would not fit.
    // The labels belong to the record of the Run.
    m_run.labels = pointLabels(DataRows);
    for (const QString &label : BottomAxis->categoriesLabels())
        BottomAxis->remove(label);
    // A range of zero width cannot be drawn.
    double axisStart = N == 1 ? 0.5 : 1, axisEnd = N == 1 ? 1.5 : N;
    BottomAxis->setStartValue(0);
    if (N > 0) {
        const int labelWidth =
            QFontMetrics(BottomAxis->labelsFont()).horizontalAdvance(DataRows[0].Date) + 24;
        // Before the chart has been laid out its plot area is empty: estimate it.
        const int plotWidth = Chart1->plotArea().isEmpty()
                                  ? Chart1View->width() - 100
                                  : static_cast<int>(Chart1->plotArea().width());
        const int fitting = std::max(2, plotWidth / std::max(labelWidth, 1));
        int step = 24;
        while ((N + step - 1) / step > fitting)
            step *= 2;
        for (int j = 0; j < N; j += step)
            BottomAxis->append(
                ChartNavigator::richLabel(m_run.labels[static_cast<size_t>(j)].shown()), j + 1);
        // Qt Charts leaves out a label that would reach past the end of the
        // axis, and the first point's label is centred on the axis's left
        // end: the axis starts half a label before point 1, so that it shows.
        if (N > 1) {
            const double perPoint = std::max(plotWidth, 200) / static_cast<double>(N - 1);
            axisStart = 1 - (labelWidth / 2.0 + 2) / perPoint;
        }
    }

    // Series: made once, attached while still empty, refilled by every run.
    if (!ObservedSeries) {
        for (QLineSeries **series :
             {&ObservedSeries, &ProfileSeries, &ShowerSeries, &SporadicSeries}) {
            *series = new QLineSeries(this);
            Chart1->addSeries(*series);
            (*series)->attachAxis(BottomAxis);
            (*series)->attachAxis(LeftAxis);
        }
    }
    const std::array<std::tuple<QLineSeries *, ColorSwatch *, QCheckBox *, int>, 4> lines = {{
        {ObservedSeries, Shape1, cbox1, 2},
        {ProfileSeries, Shape2, cbox2, 1},
        {ShowerSeries, Shape3, cbox3, 2},
        {SporadicSeries, Shape4, cbox4, 2},
    }};

    // Points, one prepared list per series: appending to a shown series one
    // point at a time redraws it at every point.
    std::array<QList<QPointF>, 4> points;
    for (int j = 0; j < N; ++j) {
        const TRadData &row = DataRows[static_cast<size_t>(j)];
        const double x = j + 1;
        points[0].append(QPointF(x, row.Value));
        points[1].append(QPointF(x, ModelRows[static_cast<size_t>(j)].Profile));
        points[2].append(QPointF(x, row.Shower));
        points[3].append(QPointF(x, row.Sporadic));
    }
    for (size_t k = 0; k < lines.size(); ++k) {
        auto [series, swatch, check, width] = lines[k];
        // A line takes its swatch's colour at the time of the run.
        QPen pen(swatch->brushColor());
        pen.setWidth(width);
        series->setPen(pen);
        series->setName(check->text());
        series->replace(points[k]);
        series->setVisible(check->isChecked());
        for (QLegendMarker *marker : Chart1->legend()->markers(series))
            marker->setVisible(false); // the check boxes name the curves
    }
    // Set after the series, which would otherwise widen it to their data.
    BottomAxis->setRange(axisStart, axisEnd);
    std::vector<ChartNavigator::Curve> curves;
    for (size_t k = 0; k < lines.size(); ++k) {
        QCheckBox *check = std::get<2>(lines[k]);
        curves.push_back({std::get<0>(lines[k]), [check] { return check->text(); }, points[k]});
    }
    Navigator->setRun(axisStart, axisEnd, &m_run.labels, std::move(curves), LeftAxis->max());
}

void TfrmMain::clearResults()
{
    // The record goes, and with it what showed it: the curves, the axis
    // labels, the readouts and the report.
    m_run = RunRecord();
    LastSearchScores = {};
    for (QAbstractSeries *series : Chart1->series())
        static_cast<QLineSeries *>(series)->clear();
    for (const QString &label : BottomAxis->categoriesLabels())
        BottomAxis->remove(label);
    BottomAxis->setRange(0, 1);
    Navigator->setRun(0, 1, &m_run.labels, {}, LeftAxis->max());
    lZdO->clear();
    lMaxTimeAt->clear();
    updateReport(false);
}
