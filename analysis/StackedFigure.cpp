// The stacked profile as a picture.
#include "StackedFigure.h"

#include "Figure.h"
#include "app/SafeSave.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace StackedFigure {

namespace {

QString degrees(double v)
{
    return QString::number(v, 'f', 2);
}

// A tick step of 1, 2 or 5 times a power of ten giving at most `most` ticks.
double tickStep(double span, int most)
{
    const double raw = span / std::max(1, most);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

double quantile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

} // namespace

QString englishCaption(const StackedFit::Result &f)
{
    if (!f.valid)
        return QStringLiteral("No fit: %1").arg(f.failure);
    QString text = QStringLiteral("λmax %1° (95 %: %2° to %3°), B+ %4, B− %5 per degree, FWHM "
                                  "%6°, %7 datasets, %8 model")
                       .arg(degrees(f.lambdaMax), degrees(f.lambda95lo), degrees(f.lambda95hi),
                            QString::number(f.bPlus, 'f', 2), QString::number(f.bMinus, 'f', 2),
                            degrees(f.fwhmDegrees))
                       .arg(f.datasets.size())
                       .arg(StackedReport::modelName(f.modulation));
    if (f.undetermined)
        text += QStringLiteral(". The data do not determine the maximum: ") + f.undeterminedReason;
    return text;
}

Texts englishTexts(const StackedFit::Result &fit, const QString &title)
{
    Texts t;
    t.title = title;
    t.xTitle = QStringLiteral("Solar longitude λ☉ (degrees, J2000.0)");
    t.yTitle = QStringLiteral("Counts less sporadic, on the profile's scale");
    t.profile = QStringLiteral("Fitted profile");
    t.caption = englishCaption(fit);
    t.empty = QStringLiteral("No fit to draw.");
    return t;
}

QColor colorOf(size_t i)
{
    // Hues a golden angle apart, alternately darker, so that neighbours
    // in the legend differ.
    const int hue = int(std::fmod(double(i) * 137.508, 360.0));
    return QColor::fromHsv(hue, 220, i % 2 ? 150 : 200);
}

QString datasetName(const ShowerSeasons::Dataset &d)
{
    QString name = d.column.name;
    if (!d.column.station.name.isEmpty() && d.column.station.name != d.column.name)
        name += QStringLiteral(" (%1)").arg(d.column.station.name);
    return name + u' ' + QString::number(d.year);
}

void draw(QPainter &p, const QRectF &area, const StackedFit::Result &fit,
          const std::vector<std::vector<StackedReport::Point>> &points, const Texts &texts)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(area, Qt::white);
    QFont font = p.font();
    font.setPixelSize(std::max(10, int(area.height() / 50)));
    p.setFont(font);
    const QFontMetricsF m(font, p.device());
    const double line = m.height();
    p.setPen(Qt::black);

    QFont titleFont = font;
    titleFont.setPixelSize(int(font.pixelSize() * 1.3));
    titleFont.setBold(true);
    p.setFont(titleFont);
    p.drawText(QRectF(area.left(), area.top() + line * 0.3, area.width(), line * 1.6),
               Qt::AlignHCenter | Qt::AlignVCenter, texts.title);
    p.setFont(font);

    if (!fit.valid) {
        p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, texts.empty + u'\n' + texts.caption);
        p.restore();
        return;
    }

    // The legend's width: its longest name.
    double legend = m.horizontalAdvance(texts.profile);
    for (const ShowerSeasons::Dataset &d : fit.datasets)
        legend = std::max(legend, m.horizontalAdvance(datasetName(d)));
    legend = std::min(legend + 3 * line, area.width() * 0.3);
    const QRectF plot(area.left() + 5 * line, area.top() + 2.5 * line,
                      area.width() - 6.5 * line - legend, area.height() - 7.5 * line);

    // The axes' ranges: the window, and the points' body (their 2nd to 98th
    // percentile), at least 0 to 1.2.
    const double x0 = fit.window.from, x1 = fit.window.to;
    std::vector<double> values;
    for (const auto &set : points)
        for (const StackedReport::Point &pt : set)
            values.push_back(pt.value);
    double y0 = std::min(-0.1, quantile(values, 0.02) - 0.05);
    double y1 = std::max(1.2, quantile(values, 0.98) + 0.1);
    y0 = std::max(y0, -1.5);
    y1 = std::min(y1, 4.0);
    const auto X = [&](double t) { return plot.left() + (t - x0) / (x1 - x0) * plot.width(); };
    const auto Y = [&](double v) { return plot.bottom() - (v - y0) / (y1 - y0) * plot.height(); };

    // The maximum's 95 % interval as a band, the maximum as a dashed line.
    const StackedFit::Joint &j = fit.joint;
    if (j.position95.valid())
        p.fillRect(QRectF(QPointF(X(j.position95.lo), plot.top()),
                          QPointF(X(j.position95.hi), plot.bottom())),
                   QColor(225, 225, 225));

    // Grid and ticks.
    p.setPen(QPen(QColor(200, 200, 200), 1));
    const double xs = tickStep(x1 - x0, 12), ys = tickStep(y1 - y0, 8);
    for (double t = std::ceil(x0 / xs) * xs; t <= x1 + 1e-9; t += xs) {
        p.setPen(QPen(QColor(210, 210, 210), 1));
        p.drawLine(QPointF(X(t), plot.top()), QPointF(X(t), plot.bottom()));
        p.setPen(Qt::black);
        const QString label = QString::number(std::fmod(t, 360.0), 'f', xs < 1 ? 1 : 0);
        p.drawText(QRectF(X(t) - 3 * line, plot.bottom() + 0.2 * line, 6 * line, line),
                   Qt::AlignHCenter | Qt::AlignTop, label);
    }
    for (double v = std::ceil(y0 / ys) * ys; v <= y1 + 1e-9; v += ys) {
        p.setPen(QPen(QColor(210, 210, 210), 1));
        p.drawLine(QPointF(plot.left(), Y(v)), QPointF(plot.right(), Y(v)));
        p.setPen(Qt::black);
        p.drawText(QRectF(plot.left() - 3.3 * line, Y(v) - line / 2, 3 * line, line),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', ys < 0.1 ? 2 : 1));
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(plot);
    p.drawText(QRectF(plot.left(), plot.bottom() + 1.3 * line, plot.width(), line),
               Qt::AlignHCenter | Qt::AlignTop, texts.xTitle);
    p.save();
    p.translate(area.left() + 0.8 * line, plot.center().y());
    p.rotate(-90);
    // A title longer than the plot is high is set smaller, and what still
    // does not fit is elided, so that neither end is cut off.
    {
        QFont small = p.font();
        const double wide = QFontMetricsF(small, p.device()).horizontalAdvance(texts.yTitle);
        if (wide > plot.height() && small.pixelSize() > 0)
            small.setPixelSize(
                std::max(8, int(small.pixelSize() * std::max(0.7, plot.height() / wide))));
        p.setFont(small);
        p.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line),
                   Qt::AlignHCenter | Qt::AlignTop,
                   QFontMetricsF(small, p.device())
                       .elidedText(texts.yTitle, Qt::ElideRight, plot.height()));
    }
    p.restore();

    // The datasets' points, clipped to the plot.
    p.save();
    p.setClipRect(plot);
    const double radius = std::max(2.0, area.height() / 260);
    for (size_t d = 0; d < points.size(); ++d) {
        p.setPen(Qt::NoPen);
        p.setBrush(colorOf(d));
        for (const StackedReport::Point &pt : points[d])
            p.drawEllipse(QPointF(X(pt.t), Y(pt.value)), radius, radius);
    }
    // The profile on top.
    QPainterPath curve;
    const int steps = std::max(200, int(plot.width()));
    for (int i = 0; i <= steps; ++i) {
        const double t = x0 + (x1 - x0) * i / steps;
        const QPointF at(X(t), Y(StackedFit::profileAt(fit, t)));
        if (i == 0)
            curve.moveTo(at);
        else
            curve.lineTo(at);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, std::max(2.0, area.height() / 350)));
    p.drawPath(curve);
    QPen dashed(QColor(80, 80, 80), 1.5, Qt::DashLine);
    p.setPen(dashed);
    p.drawLine(QPointF(X(j.position), plot.top()), QPointF(X(j.position), plot.bottom()));
    p.restore();

    // The legend: the profile, then the datasets while there is room.
    double y = plot.top();
    const double lx = plot.right() + 1.2 * line;
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(QPointF(lx, y + line / 2), QPointF(lx + 1.5 * line, y + line / 2));
    p.drawText(QPointF(lx + 2 * line, y + m.ascent()), texts.profile);
    y += line * 1.4;
    const size_t room = size_t(std::max(0.0, (plot.bottom() - y) / (line * 1.3)));
    for (size_t d = 0; d < fit.datasets.size(); ++d) {
        if (d + 1 == room && fit.datasets.size() > room) {
            p.setPen(Qt::black);
            p.drawText(QPointF(lx, y + m.ascent()),
                       QStringLiteral("… +%1").arg(fit.datasets.size() - d));
            break;
        }
        p.setPen(Qt::NoPen);
        p.setBrush(colorOf(d));
        p.drawEllipse(QPointF(lx + 0.75 * line, y + line / 2), radius * 1.4, radius * 1.4);
        p.setBrush(Qt::NoBrush);
        p.setPen(Qt::black);
        p.drawText(QPointF(lx + 2 * line, y + m.ascent()),
                   m.elidedText(datasetName(fit.datasets[d]), Qt::ElideRight,
                                area.right() - lx - 2 * line));
        y += line * 1.3;
    }

    // The caption under the axis title.
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left() + line, plot.bottom() + 2.6 * line, area.width() - 2 * line,
                      area.bottom() - plot.bottom() - 2.7 * line),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, texts.caption);
    p.restore();
}

QByteArray encode(const StackedFit::Result &fit, const Texts &texts, const QString &path,
                  QSize size)
{
    const std::vector<std::vector<StackedReport::Point>> points = StackedReport::stackedPoints(fit);
    return Figure::encodeDrawing(path, size, texts.title, [&](QPainter &p, const QRectF &area) {
        draw(p, area, fit, points, texts);
    });
}

void save(const StackedFit::Result &fit, const Texts &texts, const QString &path, QSize size)
{
    SafeSave::writeOrFail(path, encode(fit, texts, path, size));
}

} // namespace StackedFigure
