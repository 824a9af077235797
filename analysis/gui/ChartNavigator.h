// The result chart as an instrument: a readout of the point under the mouse,
// zoom and pan along the time axis, and the way back to the whole range.
#pragma once

#include "analysis/RunRecord.h"

#include <QList>
#include <QLocale>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QString>

#include <functional>
#include <vector>

class QCategoryAxis;
class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QRubberBand;
class QValueAxis;

class ChartNavigator : public QObject {
    Q_OBJECT
public:
    ChartNavigator(QChartView *view, QChart *chart, QCategoryAxis *bottom, QValueAxis *left);

    // After a Run: the whole range of the bottom axis, the points' labels
    // (the Run's record keeps them), the curves with their names, and the
    // left axis's range. The chart shows the whole range.
    // A curve: its series, its name, and all of its points (x = 1 .. N).
    // While zoomed, the series holds only the points the shown span needs.
    struct Curve {
        QLineSeries *series;
        std::function<QString()> name;
        QList<QPointF> points;
    };
    void setRun(double start, double end, const std::vector<PointLabel> *labels,
                std::vector<Curve> curves, double leftMax);

    // Zooms the time axis by factor (below 1 in) around the value x.
    void zoomAt(double x, double factor, bool leftToo = false);
    void zoomTo(double from, double to);
    // Moves the shown span by a number of points, within the data.
    void pan(double points);
    void reset();
    bool zoomed() const;

    // The index of the point nearest the axis value x, of count points at
    // 1, 2, ... count; -1 for none.
    static int nearestPoint(double x, int count);
    // The readout's text for a point.
    QString readout(int index) const;
    // The readout's row text (%1 the date, %2 the hour, %3 the offset) and
    // the locale of its numbers, in the language applied.
    void setTexts(const QString &rowText, const QLocale &locale)
    {
        m_rowText = rowText;
        m_locale = locale;
    }
    // A point's label as the axis shows it, rich text: the line break
    // becomes <br>.
    static QString richLabel(const QString &label);
    // All points of a curve of the last Run, whatever the series shows.
    const QList<QPointF> &points(size_t curve) const;
    // The points of all that a span from..to (axis values) of a plot
    // plotWidth pixels wide needs: those inside and one beyond each end, and
    // where more than four fall on a pixel column, the first, the lowest, the
    // highest and the last of them, in order, so that the line looks the
    // same at the screen's resolution.
    static QList<QPointF> visiblePoints(const QList<QPointF> &all, double from, double to,
                                        int plotWidth);
    // The fewest points a zoom shows.
    static constexpr double MinSpan = 6;

    // Labels on whole hours: one every step points, the step from 1, 2, 3,
    // 6, 12, 24, 48 ... the smallest that fits the plot's width.
    static int labelStep(double span, int plotWidth, int labelWidth, bool whole);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showRange(double from, double to);
    // Gives the series the points a span needs (all of them for the whole
    // range).
    void fillSeries(double from, double to);
    void relabel(double from, double to);
    void updateReadout(const QPoint &at);

    QChartView *m_view;
    QWidget *m_viewport;
    QChart *m_chart;
    QCategoryAxis *m_bottom;
    QValueAxis *m_left;
    QLabel *m_box;
    QRubberBand *m_band = nullptr;
    double m_start = 0, m_end = 1, m_leftMax = 1;
    const std::vector<PointLabel> *m_labels = nullptr;
    std::vector<Curve> m_curves;
    bool m_partial = false; // the series hold a span's points only
    enum class Drag { None, Select, Pan } m_drag = Drag::None;
    QPoint m_pressAt, m_lastAt;
    QString m_rowText = QStringLiteral("%1 %2h, offset %3");
    QLocale m_locale;
};
