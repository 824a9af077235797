// The result chart: the four curves of a run, their labels, colours and axes.
#include "app/TfrmMain.h"
#include "app/Widgets.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>

namespace {

// A category label is rich text: the line break becomes <br>.
QString richLabel(const QString &label)
{
    return label.toHtmlEscaped().replace(QLatin1Char('\r'), QLatin1String("<br>"));
}

} // namespace

void TfrmMain::UpdateChart(const std::vector<TRadData> &DataRows, const std::vector<TRadData> &ModelRows,
                           int PeakValue)
{
    const int N = static_cast<int>(DataRows.size());
    const int AxisMax = axisMaximum(PeakValue);

    // Left axis: 0 to the next multiple of ten above the peak, ten steps.
    LeftAxis->setRange(0, AxisMax);
    LeftAxis->setTickCount(11);

    // Series: made once, emptied and refilled by every later run.
    if (!ObservedSeries) {
        ObservedSeries = new QLineSeries(this);
        ProfileSeries = new QLineSeries(this);
        ShowerSeries = new QLineSeries(this);
        SporadicSeries = new QLineSeries(this);
    }
    const std::array<std::tuple<QLineSeries *, ColorSwatch *, QCheckBox *, int>, 4> lines = {{
        {ObservedSeries, Shape1, cbox1, 2},
        {ProfileSeries, Shape2, cbox2, 1},
        {ShowerSeries, Shape3, cbox3, 2},
        {SporadicSeries, Shape4, cbox4, 2},
    }};

    // Points, built in one list per series: appending to a series one point
    // at a time redraws the chart at every point.
    std::array<QList<QPointF>, 4> points;
    for (auto &p : points)
        p.reserve(N);
    PointLabels.clear();
    PointLabels.reserve(static_cast<size_t>(N));
    for (int j = 0; j < N; ++j) {
        const TRadData &row = DataRows[static_cast<size_t>(j)];
        PointLabels.push_back(row.Date + QLatin1Char('\r') + QString::number(row.Hour) + QLatin1String("h (") +
                              QString::number(j + 1) + QLatin1Char(')'));
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
        series->replace(points[k]);
        if (!Chart1->series().contains(series)) {
            Chart1->addSeries(series);
            series->attachAxis(BottomAxis);
            series->attachAxis(LeftAxis);
        }
        series->setName(check->text());
        series->setVisible(check->isChecked());
        for (QLegendMarker *marker : Chart1->legend()->markers(series))
            marker->setVisible(false); // the check boxes name the curves
    }

    // Bottom axis: 1 to N, labelled with the points' labels one day apart,
    // every second, fourth ... day when more would not fit.
    for (const QString &label : BottomAxis->categoriesLabels())
        BottomAxis->remove(label);
    if (N == 1)
        BottomAxis->setRange(0.5, 1.5); // a range of zero width cannot be drawn
    else
        BottomAxis->setRange(1, N);
    BottomAxis->setStartValue(0); // so that the label of point 1 shows too
    const int labelWidth = QFontMetrics(BottomAxis->labelsFont()).horizontalAdvance(DataRows[0].Date) + 24;
    // Before the chart has been laid out its plot area is empty: estimate it.
    const int plotWidth = Chart1->plotArea().isEmpty() ? Chart1View->width() - 100
                                                       : static_cast<int>(Chart1->plotArea().width());
    const int fitting = std::max(2, plotWidth / std::max(labelWidth, 1));
    int step = 24;
    while ((N + step - 1) / step > fitting)
        step *= 2;
    for (int j = 0; j < N; j += step)
        BottomAxis->append(richLabel(PointLabels[static_cast<size_t>(j)]), j + 1);
}
