// The result chart as an instrument: readout, zoom, pan and reset.
#include "ChartNavigator.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QRubberBand>
#include <QValueAxis>
#include <QWheelEvent>

#include <cmath>

ChartNavigator::ChartNavigator(QChartView *view, QChart *chart, QCategoryAxis *bottom,
                               QValueAxis *left)
    : QObject(view), m_view(view), m_viewport(view->viewport()), m_chart(chart), m_bottom(bottom),
      m_left(left)
{
    m_box = new QLabel(view->viewport());
    m_box->setStyleSheet(
        QStringLiteral("QLabel { background: #ffffe1; border: 1px solid #808080; padding: 3px; }"));
    m_box->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_box->hide();
    view->viewport()->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
    view->installEventFilter(this);
    view->setFocusPolicy(Qt::StrongFocus);
}

void ChartNavigator::setRun(double start, double end, const std::vector<PointLabel> *labels,
                            std::vector<Curve> curves, double leftMax)
{
    m_start = start;
    m_end = end;
    m_labels = labels;
    m_curves = std::move(curves);
    m_partial = false; // the Run gave the series all of their points
    m_leftMax = leftMax;
    m_box->hide();
}

const QList<QPointF> &ChartNavigator::points(size_t curve) const
{
    static const QList<QPointF> none;
    return curve < m_curves.size() ? m_curves[curve].points : none;
}

QList<QPointF> ChartNavigator::visiblePoints(const QList<QPointF> &all, double from, double to,
                                             int plotWidth)
{
    // Points stand at x = 1, 2, ...: index x - 1.
    const qsizetype n = all.size();
    const qsizetype first = std::clamp<qsizetype>(qsizetype(std::floor(from)) - 2, 0, n);
    const qsizetype last = std::clamp<qsizetype>(qsizetype(std::ceil(to)), 0, n - 1);
    if (last < first)
        return {};
    const qsizetype count = last - first + 1;
    const int columns = std::max(1, plotWidth);
    if (count <= 4 * qsizetype(columns))
        return all.mid(first, count);
    QList<QPointF> out;
    out.reserve(4 * columns + 4);
    const double span = std::max(to - from, 1e-9);
    qsizetype i = first;
    while (i <= last) {
        const int column = int(std::floor((all[i].x() - from) / span * columns));
        qsizetype lo = i, hi = i, j = i;
        while (j + 1 <= last &&
               int(std::floor((all[j + 1].x() - from) / span * columns)) == column) {
            ++j;
            if (all[j].y() < all[lo].y())
                lo = j;
            if (all[j].y() > all[hi].y())
                hi = j;
        }
        // first, lowest and highest in index order, last
        qsizetype keep[4] = {i, std::min(lo, hi), std::max(lo, hi), j};
        for (int k = 0; k < 4; ++k)
            if (k == 0 || keep[k] != keep[k - 1])
                out.append(all[keep[k]]);
        i = j + 1;
    }
    return out;
}

void ChartNavigator::fillSeries(double from, double to)
{
    const bool whole = from <= m_start + 1e-9 && to >= m_end - 1e-9;
    if (whole && !m_partial)
        return;
    const int width = std::max(200, static_cast<int>(m_chart->plotArea().width()));
    for (Curve &c : m_curves) {
        if (!c.series)
            continue;
        // The series is refilled before the axis moves, so that the axis's
        // change redraws only the points it will show.
        c.series->replace(whole ? c.points : visiblePoints(c.points, from, to, width));
    }
    m_partial = !whole;
}

QString ChartNavigator::richLabel(const QString &label)
{
    return label.toHtmlEscaped().replace(QLatin1Char('\r'), QLatin1String("<br>"));
}

int ChartNavigator::nearestPoint(double x, int count)
{
    if (count <= 0 || !std::isfinite(x))
        return -1;
    return static_cast<int>(std::clamp(std::llround(x), 1LL, static_cast<long long>(count))) - 1;
}

int ChartNavigator::labelStep(double span, int plotWidth, int labelWidth, bool whole)
{
    const double fitting = std::max(2, plotWidth / std::max(labelWidth, 1));
    // At the whole range the labels stand a day apart or more, as a Run
    // puts them; zoomed in they come closer, always on whole hours.
    int step = whole ? 24 : 1;
    static const int Small[] = {1, 2, 3, 6, 12, 24};
    if (!whole)
        for (int s : Small) {
            step = s;
            if (span / step <= fitting)
                return step;
        }
    while (span / step > fitting)
        step *= 2;
    return step;
}

bool ChartNavigator::zoomed() const
{
    return m_bottom->min() > m_start + 1e-9 || m_bottom->max() < m_end - 1e-9;
}

void ChartNavigator::showRange(double from, double to)
{
    // Never past the data, never fewer than MinSpan points.
    const double full = m_end - m_start;
    double span = std::clamp(to - from, std::min(MinSpan, full), full);
    from = std::clamp(from, m_start, m_end - span);
    to = from + span;
    fillSeries(from, to);
    m_bottom->setRange(from, to);
    relabel(from, to);
}

void ChartNavigator::relabel(double from, double to)
{
    if (!m_labels || m_labels->empty())
        return;
    for (const QString &label : m_bottom->categoriesLabels())
        m_bottom->remove(label);
    const int count = static_cast<int>(m_labels->size());
    const int labelWidth =
        QFontMetrics(m_bottom->labelsFont()).horizontalAdvance(m_labels->front().date) + 24;
    const int plotWidth = std::max(200, static_cast<int>(m_chart->plotArea().width()));
    const bool whole = !zoomed();
    const int step = labelStep(to - from, plotWidth, labelWidth, whole);
    const int first = std::max(0, static_cast<int>(std::ceil(from)) - 1);
    for (int j = first - first % step; j < count && j + 1 <= to; j += step) {
        if (j + 1 < from)
            continue;
        m_bottom->append(richLabel((*m_labels)[static_cast<size_t>(j)].shown()), j + 1);
    }
}

void ChartNavigator::zoomAt(double x, double factor, bool leftToo)
{
    const double from = m_bottom->min(), to = m_bottom->max();
    showRange(x - (x - from) * factor, x + (to - x) * factor);
    if (leftToo) {
        const double top = std::clamp(m_left->max() * factor, 1.0, m_leftMax);
        m_left->setRange(0, top);
    }
}

void ChartNavigator::zoomTo(double from, double to)
{
    if (to < from)
        std::swap(from, to);
    showRange(from, to);
}

void ChartNavigator::pan(double points)
{
    showRange(m_bottom->min() + points, m_bottom->max() + points);
}

void ChartNavigator::reset()
{
    fillSeries(m_start, m_end);
    m_bottom->setRange(m_start, m_end);
    m_left->setRange(0, m_leftMax);
    relabel(m_start, m_end);
}

QString ChartNavigator::readout(int index) const
{
    if (!m_labels || index < 0 || index >= static_cast<int>(m_labels->size()))
        return {};
    const PointLabel &label = (*m_labels)[static_cast<size_t>(index)];
    // The date, the hour and the row's offset, counted as the position of
    // the maximum counts it; the values in the language's numbers.
    QString text = m_rowText.arg(label.date).arg(label.hour).arg(label.offset());
    for (const Curve &c : m_curves)
        if (c.series && c.series->isVisible() && index < c.points.size())
            text += QStringLiteral("\n%1: %2")
                        .arg(c.name(), m_locale.toString(c.points[index].y(), 'g', 6));
    return text;
}

void ChartNavigator::updateReadout(const QPoint &at)
{
    const int count = m_labels ? static_cast<int>(m_labels->size()) : 0;
    if (count == 0 || m_curves.empty() || !m_curves.front().series ||
        !m_chart->plotArea().contains(at)) {
        m_box->hide();
        return;
    }
    const QPointF value = m_chart->mapToValue(at, m_curves.front().series);
    const int index = nearestPoint(value.x(), count);
    m_box->setText(readout(index));
    m_box->adjustSize();
    // Beside the pointer, on the side with room, so the point stays seen.
    QPoint place = at + QPoint(16, 16);
    const QRect area = m_viewport->rect();
    if (place.x() + m_box->width() > area.right())
        place.setX(at.x() - 16 - m_box->width());
    if (place.y() + m_box->height() > area.bottom())
        place.setY(at.y() - 16 - m_box->height());
    m_box->move(place);
    m_box->show();
    m_box->raise();
}

bool ChartNavigator::eventFilter(QObject *watched, QEvent *event)
{
    // Only the viewport's own pointer is compared: events also come while
    // the view is being destroyed.
    const bool viewport = watched == m_viewport;
    switch (event->type()) {
    case QEvent::MouseMove: {
        if (!viewport)
            break;
        auto *e = static_cast<QMouseEvent *>(event);
        const QPoint at = e->position().toPoint();
        if (m_drag == Drag::Pan && m_labels) {
            const double perPixel =
                (m_bottom->max() - m_bottom->min()) / std::max(1.0, m_chart->plotArea().width());
            pan(-(at.x() - m_lastAt.x()) * perPixel);
        } else if (m_drag == Drag::Select && m_band) {
            m_band->setGeometry(QRect(m_pressAt, at).normalized());
        }
        m_lastAt = at;
        updateReadout(at);
        return m_drag != Drag::None;
    }
    case QEvent::MouseButtonPress: {
        if (!viewport || !m_labels)
            break;
        auto *e = static_cast<QMouseEvent *>(event);
        m_pressAt = m_lastAt = e->position().toPoint();
        if (e->button() == Qt::LeftButton) {
            m_drag = Drag::Select;
            if (!m_band)
                m_band = new QRubberBand(QRubberBand::Rectangle, m_viewport);
            m_band->setGeometry(QRect(m_pressAt, QSize()));
            m_band->show();
        } else if (e->button() == Qt::RightButton || e->button() == Qt::MiddleButton) {
            m_drag = Drag::Pan;
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!viewport || m_drag == Drag::None)
            break;
        auto *e = static_cast<QMouseEvent *>(event);
        if (m_drag == Drag::Select && m_band) {
            m_band->hide();
            const QPoint at = e->position().toPoint();
            if (std::abs(at.x() - m_pressAt.x()) > 4 && !m_curves.empty()) {
                const double a = m_chart->mapToValue(m_pressAt, m_curves.front().series).x();
                const double b = m_chart->mapToValue(at, m_curves.front().series).x();
                zoomTo(a, b);
            }
        }
        m_drag = Drag::None;
        return true;
    }
    case QEvent::MouseButtonDblClick:
        if (viewport && m_labels) {
            reset();
            return true;
        }
        break;
    case QEvent::Wheel: {
        if (!viewport || !m_labels || m_curves.empty())
            break;
        auto *e = static_cast<QWheelEvent *>(event);
        const double steps = e->angleDelta().y() / 120.0;
        if (steps == 0)
            break;
        const QPointF value = m_chart->mapToValue(e->position().toPoint(), m_curves.front().series);
        zoomAt(value.x(), std::pow(0.8, steps), e->modifiers() & Qt::ControlModifier);
        updateReadout(e->position().toPoint());
        return true;
    }
    case QEvent::Leave:
        if (viewport)
            m_box->hide();
        break;
    case QEvent::KeyPress: {
        if (watched != m_view && !viewport)
            break;
        auto *e = static_cast<QKeyEvent *>(event);
        if (m_labels && (e->key() == Qt::Key_Home || e->key() == Qt::Key_Escape)) {
            reset();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
