// The result chart as a figure for a report.
#include "Figure.h"

#include "RunRecord.h"
#include "app/SafeSave.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#include <QSvgGenerator>

#include <algorithm>
#include <climits>
#include <cmath>

namespace Figure {

FigureData ofRun(const std::vector<TRadData> &DataRows, const std::vector<TRadData> &ModelRows,
                 const ModelParams &params, double dO, const QString &title, const QString &column,
                 const std::vector<QString> &names, const std::vector<QColor> &colors,
                 const std::vector<bool> &visible)
{
    FigureData f;
    f.title = title;
    f.xTitle = QStringLiteral("Time of the row (UT)");
    f.yTitle = column;
    int peak = 0;
    // The rows counted by their offsets, as the window shows them.
    for (const PointLabel &label : pointLabels(DataRows))
        f.labels.push_back(label.shown());
    for (const TRadData &d : DataRows)
        peak = std::max(peak, static_cast<int>(d.Value));
    f.yMax = axisMaximum(peak);
    const int widths[4] = {2, 1, 2, 2};
    for (int k = 0; k < 4; ++k) {
        if (k >= static_cast<int>(visible.size()) || !visible[static_cast<size_t>(k)])
            continue;
        FigureData::Curve c{
            names[static_cast<size_t>(k)], colors[static_cast<size_t>(k)], widths[k], {}};
        for (size_t j = 0; j < DataRows.size(); ++j) {
            const TRadData &d = DataRows[j];
            const double v[4] = {d.Value, j < ModelRows.size() ? ModelRows[j].Profile : 0, d.Shower,
                                 d.Sporadic};
            c.values.push_back(v[k]);
        }
        f.curves.push_back(std::move(c));
    }
    QString at;
    if (params.P >= 0 && params.P < static_cast<int>(DataRows.size()))
        at = QStringLiteral(" (%1 %2h)")
                 .arg(DataRows[static_cast<size_t>(params.P)].Date)
                 .arg(DataRows[static_cast<size_t>(params.P)].Hour);
    f.caption = QStringLiteral("a = %1, b = %2, position %3%4, maximum %5, dO = %6")
                    .arg(params.a)
                    .arg(params.b)
                    .arg(params.P)
                    .arg(at)
                    .arg(params.M)
                    .arg(dO, 0, 'g', 6);
    return f;
}

void draw(QPainter &p, const QRectF &area, const FigureData &f)
{
    p.save();
    p.fillRect(area, Qt::white);
    QFont font = p.font();
    font.setPixelSize(std::max(10, static_cast<int>(area.height() / 60)));
    p.setFont(font);
    const QFontMetricsF m(font);
    const double line = m.height();
    QFont bold = font;
    bold.setBold(true);
    bold.setPixelSize(static_cast<int>(font.pixelSize() * 1.3));

    // Title on top, caption at the bottom, legend on the right.
    p.setPen(Qt::black);
    p.setFont(bold);
    p.drawText(QRectF(area.left(), area.top() + line * 0.5, area.width(), line * 1.6),
               Qt::AlignCenter, f.title);
    p.setFont(font);
    p.drawText(QRectF(area.left(), area.bottom() - line * 1.8, area.width(), line * 1.4),
               Qt::AlignCenter, f.caption);
    double legendWidth = 0;
    for (const auto &c : f.curves)
        legendWidth = std::max(legendWidth, m.horizontalAdvance(c.name));
    legendWidth += 3 * line;
    const QRectF plot(area.left() + 5 * line, area.top() + 2.8 * line,
                      area.width() - 5 * line - legendWidth - 2 * line,
                      area.height() - 2.8 * line - 6.5 * line);
    if (plot.width() <= 0 || plot.height() <= 0) {
        p.restore();
        return;
    }
    const int n = static_cast<int>(f.labels.size());
    const double span = std::max(1, n - 1);
    auto X = [&](double i) { return plot.left() + i / span * plot.width(); };
    auto Y = [&](double v) { return plot.bottom() - v / f.yMax * plot.height(); };

    // Grid and the left axis: ten steps from 0 to the maximum.
    p.setPen(QPen(QColor(200, 200, 200), 0));
    for (int t = 0; t <= 10; ++t) {
        const double v = f.yMax * t / 10;
        p.drawLine(QPointF(plot.left(), Y(v)), QPointF(plot.right(), Y(v)));
        p.setPen(Qt::black);
        p.drawText(QRectF(plot.left() - 4.5 * line, Y(v) - line / 2, 4 * line, line),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'g', 6));
        p.setPen(QPen(QColor(200, 200, 200), 0));
    }
    // Bottom axis: a label a day apart, or every second, fourth ... day.
    const double labelWidth = m.horizontalAdvance(QStringLiteral("00.00.0000")) + line;
    int step = 24;
    while (n / step > std::max(2.0, plot.width() / labelWidth))
        step *= 2;
    for (int j = 0; j < n; j += step) {
        p.setPen(QPen(QColor(200, 200, 200), 0));
        p.drawLine(QPointF(X(j), plot.top()), QPointF(X(j), plot.bottom()));
        p.setPen(Qt::black);
        const QString text = f.labels[static_cast<size_t>(j)];
        p.drawText(
            QRectF(X(j) - labelWidth / 2, plot.bottom() + 0.3 * line, labelWidth, 2.2 * line),
            Qt::AlignHCenter | Qt::AlignTop,
            QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    }
    p.setPen(QPen(Qt::black, 0));
    p.drawRect(plot);
    p.drawText(QRectF(plot.left(), plot.bottom() + 2.6 * line, plot.width(), line * 1.2),
               Qt::AlignCenter, f.xTitle);
    p.save();
    p.translate(area.left() + 0.8 * line, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, -line / 2, plot.height(), line * 1.2), Qt::AlignCenter,
               f.yTitle);
    p.restore();

    // The curves, clipped to the plot, and the legend.
    p.save();
    p.setClipRect(plot);
    p.setRenderHint(QPainter::Antialiasing);
    for (const auto &c : f.curves) {
        // More points than pixel columns are thinned to the first, lowest,
        // highest and last point of each column, in their order: the line
        // looks the same and is drawn in a fraction of the time.
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(std::min<size_t>(c.values.size(), 4 * 20000)));
        long column = LONG_MIN;
        size_t first = 0, low = 0, high = 0, last = 0;
        auto flush = [&] {
            if (column == LONG_MIN)
                return;
            std::vector<size_t> keep = {first, low, high, last};
            std::sort(keep.begin(), keep.end());
            keep.erase(std::unique(keep.begin(), keep.end()), keep.end());
            for (size_t j : keep)
                line << QPointF(X(static_cast<double>(j)), Y(std::max(0.0, c.values[j])));
        };
        for (size_t j = 0; j < c.values.size(); ++j) {
            const long at = std::lround(std::floor(X(static_cast<double>(j))));
            if (at != column) {
                flush();
                column = at;
                first = low = high = j;
            }
            if (c.values[j] < c.values[low])
                low = j;
            if (c.values[j] > c.values[high])
                high = j;
            last = j;
        }
        flush();
        QPen pen(c.color, c.width * area.height() / 900.0);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        // Segment by segment: one long wide polyline of thousands of zigzags
        // is stroked as a single outline, which the raster engine fills slowly.
        QVector<QLineF> segments;
        segments.reserve(line.size());
        for (qsizetype k = 1; k < line.size(); ++k)
            segments.append(QLineF(line[k - 1], line[k]));
        p.drawLines(segments);
    }
    p.restore();
    double y = plot.top();
    for (const auto &c : f.curves) {
        const double x = plot.right() + 1.5 * line;
        p.setPen(QPen(c.color, 3));
        p.drawLine(QPointF(x, y + line / 2), QPointF(x + 1.5 * line, y + line / 2));
        p.setPen(Qt::black);
        p.drawText(QPointF(x + 2 * line, y + m.ascent()), c.name);
        y += line * 1.4;
    }
    p.restore();
}

void save(const FigureData &figure, const QString &path, QSize size)
{
    saveDrawing(path, size, figure.title,
                [&figure](QPainter &p, const QRectF &area) { draw(p, area, figure); });
}

void saveDrawing(const QString &path, QSize size, const QString &title,
                 const std::function<void(QPainter &, const QRectF &)> &draw)
{
    SafeSave::writeOrFail(path, encodeDrawing(path, size, title, draw));
}

QByteArray encodeDrawing(const QString &path, QSize size, const QString &title,
                         const std::function<void(QPainter &, const QRectF &)> &draw)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QString lower = path.toLower();
    if (lower.endsWith(QLatin1String(".svg"))) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(), size));
        svg.setTitle(title);
        QPainter p(&svg);
        draw(p, QRectF(QPointF(), size));
    } else if (lower.endsWith(QLatin1String(".pdf"))) {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(title);
        pdf.setPageSize(QPageSize(QSizeF(size) * 0.75, QPageSize::Point));
        pdf.setPageMargins(QMarginsF());
        pdf.setResolution(96);
        QPainter p(&pdf);
        draw(p, QRectF(QPointF(), size));
    } else {
        QImage image(size, QImage::Format_RGB32);
        QPainter p(&image);
        draw(p, QRectF(QPointF(), size));
        p.end();
        if (!image.save(&buffer, "PNG"))
            throw EInOutError(
                QStringLiteral("Unable to write to %1: the picture could not be encoded")
                    .arg(path));
    }
    buffer.close();
    return bytes;
}

QSize parseSize(const QString &text)
{
    const QStringList parts = text.toLower().split(u'x');
    bool okW = false, okH = false;
    const int w = parts.size() == 2 ? parts[0].toInt(&okW) : 0;
    const int h = parts.size() == 2 ? parts[1].toInt(&okH) : 0;
    if (!okW || !okH || w < 200 || h < 150 || w > 10000 || h > 10000)
        return {};
    return {w, h};
}

} // namespace Figure
