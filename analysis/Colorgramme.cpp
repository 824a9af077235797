// The colorgramme: a table's counts as days by hours of UT.
#include "Colorgramme.h"

#include "app/DateConv.h"
#include "app/SafeSave.h"
#include "table/GridModel.h"
#include "table/HourMarks.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace Colorgramme {

namespace {

struct Counted {
    qint64 day; // Julian day number
    int hour;
    int count;
    int row;
    bool marked = false;
};

// Margins of the picture around the cells, in pixels.
constexpr int LeftMargin = 56, RightMargin = 96, TopMargin = 30, BottomMargin = 44;
constexpr int LegendWidth = 16;

} // namespace

Data collect(const GridModel &grid, int column)
{
    std::vector<Counted> counted;
    counted.reserve(size_t(grid.rowCountWithHeader()));
    // Rows of one day follow one another: a date text is converted once.
    QString lastText;
    std::optional<QDate> lastDate;
    for (int row = 1; row < grid.rowCountWithHeader(); ++row) {
        const QStringView dateText = grid.cellView(0, row);
        if (dateText != lastText) {
            lastText = dateText.toString();
            lastDate = DateConv::fromText(lastText.trimmed());
        }
        if (!lastDate)
            continue;
        bool ok = false;
        const int hour = grid.cellView(1, row).trimmed().toInt(&ok);
        if (!ok || hour < 0 || hour > 23)
            continue;
        if (HourMarks::isMarked(grid, row)) {
            counted.push_back({lastDate->toJulianDay(), hour, -1, row, true});
            continue;
        }
        const int count = grid.cellView(column, row).trimmed().toInt(&ok);
        if (!ok)
            continue;
        counted.push_back({lastDate->toJulianDay(), hour, count, row});
    }

    Data data;
    if (counted.empty())
        return data;
    const auto [lo, hi] =
        std::minmax_element(counted.begin(), counted.end(),
                            [](const Counted &x, const Counted &y) { return x.day < y.day; });
    const qint64 span = hi->day - lo->day + 1;
    data.first = QDate::fromJulianDay(lo->day);
    if (span > MaxDays) {
        data.tooLong = true;
        data.days = int(std::min<qint64>(span, std::numeric_limits<int>::max()));
        return data;
    }
    data.days = int(span);
    data.counts.assign(size_t(span) * 24, -1);
    data.rows.assign(size_t(span) * 24, 0);
    for (const Counted &c : counted) {
        const size_t i = size_t(data.index(int(c.day - lo->day), c.hour));
        if (data.rows[i] != 0)
            continue; // a second row for the hour: the first is shown
        data.rows[i] = c.row;
        if (c.marked) {
            if (data.marked.empty())
                data.marked.assign(data.counts.size(), 0);
            data.marked[i] = 1;
            ++data.markedHours;
            continue;
        }
        data.counts[i] = c.count;
        data.maximum = std::max(data.maximum, c.count);
        ++data.countedHours;
    }
    return data;
}

QColor colorOf(int count, int maximum)
{
    // Dark blue through blue, cyan, green and yellow to red, as the
    // networks' colorgrammes run from quiet to busy hours.
    static const std::array<QColor, 6> stops = {QColor(0, 0, 128),   QColor(0, 0, 255),
                                                QColor(0, 200, 255), QColor(0, 200, 0),
                                                QColor(255, 230, 0), QColor(220, 0, 0)};
    const double t = maximum <= 0 ? 0.0 : std::clamp(double(count) / maximum, 0.0, 1.0);
    const double x = t * double(stops.size() - 1);
    const size_t k = std::min(size_t(x), stops.size() - 2);
    const double f = x - double(k);
    const QColor &a = stops[k], &b = stops[k + 1];
    return QColor(int(std::lround(a.red() + (b.red() - a.red()) * f)),
                  int(std::lround(a.green() + (b.green() - a.green()) * f)),
                  int(std::lround(a.blue() + (b.blue() - a.blue()) * f)));
}

Texts textsFor(const Data &data, const QString &column, const Patterns &patterns)
{
    Texts out;
    out.title = data.days > 0 && !data.tooLong
                    ? QString(patterns.title)
                          .arg(column, DateConv::toText(data.first),
                               DateConv::toText(data.first.addDays(data.days - 1)))
                    : column;
    out.hours = patterns.hours;
    out.missing = patterns.missing;
    out.marked = patterns.marked;
    out.empty = data.tooLong ? QString(patterns.tooLong).arg(data.days)
                             : QString(patterns.noCounts).arg(column);
    return out;
}

QColor markedColor()
{
    // Magenta lies outside the scale's colours.
    return QColor(230, 0, 230);
}

QColor missingColor()
{
    return QColor(205, 205, 205);
}

Layout layoutFor(const Data &data, const QSize &size)
{
    Layout l;
    l.days = data.tooLong ? 0 : data.days;
    l.plot = QRect(LeftMargin, TopMargin, std::max(1, size.width() - LeftMargin - RightMargin),
                   std::max(1, size.height() - TopMargin - BottomMargin));
    l.legend =
        QRect(l.plot.right() + 18, l.plot.top(), LegendWidth, std::max(1, l.plot.height() - 40));
    return l;
}

std::optional<Cell> cellAt(const Layout &layout, const QPointF &point)
{
    if (layout.days <= 0)
        return std::nullopt;
    const QRectF plot(layout.plot);
    if (!plot.contains(point))
        return std::nullopt;
    const int day =
        std::clamp(int((point.x() - plot.left()) * layout.days / plot.width()), 0, layout.days - 1);
    const int hour = std::clamp(int((point.y() - plot.top()) * 24 / plot.height()), 0, 23);
    return Cell{day, hour};
}

Layout draw(QPainter &painter, const Data &data, const QSize &size, const Texts &texts)
{
    const Layout l = layoutFor(data, size);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QFontMetrics fm(painter.font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(l.plot.left(), 4, l.plot.width(), TopMargin - 8),
                     Qt::AlignCenter | Qt::TextSingleLine,
                     fm.elidedText(texts.title, Qt::ElideRight, l.plot.width()));

    if (l.days <= 0) {
        painter.fillRect(l.plot, missingColor());
        painter.drawText(l.plot, Qt::AlignCenter | Qt::TextWordWrap, texts.empty);
        painter.restore();
        return l;
    }

    // One pixel per hour, stretched over the plot without smoothing, so
    // that a cell keeps its colour. When there are more days than pixel
    // columns, a column shows the busiest of its days at each hour (missing
    // only where all are), so that a one-day shower is not lost between
    // columns.
    const int columns = std::min(data.days, std::max(1, l.plot.width()));
    QImage cells(columns, 24, QImage::Format_RGB32);
    const QRgb none = missingColor().rgb();
    const QRgb markedRgb = markedColor().rgb();
    std::vector<QRgb> palette(257);
    for (int k = 0; k <= 256; ++k)
        palette[size_t(k)] = colorOf(k, 256).rgb();
    for (int h = 0; h < 24; ++h) {
        auto *line = reinterpret_cast<QRgb *>(cells.scanLine(h));
        for (int c = 0; c < columns; ++c) {
            const int first = int(qint64(c) * data.days / columns);
            const int last = std::max(first + 1, int(qint64(c + 1) * data.days / columns));
            int v = -1;
            bool marked = false;
            for (int d = first; d < last; ++d) {
                v = std::max(v, data.counts[size_t(data.index(d, h))]);
                marked = marked || data.isMarked(data.index(d, h));
            }
            line[c] = v < 0 ? (marked ? markedRgb : none)
                            : palette[size_t(data.maximum <= 0
                                                 ? 0
                                                 : std::clamp<qint64>(
                                                       qint64(v) * 256 / data.maximum, 0, 256))];
        }
    }
    painter.drawImage(l.plot, cells);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(l.plot.adjusted(0, 0, -1, -1));

    // Hours down the left side, 0h at the top as the table's rows run.
    painter.setPen(Qt::black);
    const double cellH = double(l.plot.height()) / 24;
    const int hourStep = cellH * 2 >= fm.height() ? 2 : (cellH * 3 >= fm.height() ? 3 : 6);
    for (int h = 0; h < 24; h += hourStep) {
        const int y = l.plot.top() + int(std::lround((h + 0.5) * cellH));
        painter.drawText(QRect(0, y - fm.height() / 2, LeftMargin - 6, fm.height()),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1h").arg(h, 2, 10, QChar(u'0')));
    }
    painter.save();
    painter.translate(12, l.plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-l.plot.height() / 2, -fm.height(), l.plot.height(), fm.height() + 2),
                     Qt::AlignCenter, texts.hours);
    painter.restore();

    // Days along the bottom: a date under the first day of every few days,
    // or, for longer spans, under the first day of every few months (a
    // multiple of the step counted from January), so that years read at once.
    const double cellW = double(l.plot.width()) / data.days;
    const int labelWidth = fm.horizontalAdvance(DateConv::toText(data.first)) + 12;
    const auto label = [&](int d) {
        const int x = l.plot.left() + int(std::lround(d * cellW));
        painter.setPen(QColor(90, 90, 90));
        painter.drawLine(x, l.plot.bottom() + 1, x, l.plot.bottom() + 5);
        painter.setPen(Qt::black);
        painter.drawText(QRect(x - labelWidth / 2, l.plot.bottom() + 6, labelWidth, fm.height()),
                         Qt::AlignCenter, DateConv::toText(data.first.addDays(d)));
    };
    int dayStep = 0;
    for (int s : {1, 2, 5, 7, 10, 14})
        if (s * cellW >= labelWidth) {
            dayStep = s;
            break;
        }
    if (dayStep > 0) {
        for (int d = 0; d < data.days; d += dayStep)
            label(d);
    } else {
        int monthStep = 1200;
        for (int s : {1, 2, 3, 6, 12, 24, 60, 120, 240, 600})
            if (s * 30.4 * cellW >= labelWidth) {
                monthStep = s;
                break;
            }
        QDate month(data.first.year(), data.first.month(), 1);
        if (month < data.first)
            month = month.addMonths(1);
        const QDate last = data.first.addDays(data.days - 1);
        for (; month <= last; month = month.addMonths(1))
            if ((month.year() * 12 + month.month() - 1) % monthStep == 0)
                label(int(data.first.daysTo(month)));
    }

    // The scale: the colours from 0 at the bottom to the maximum at the top,
    // and a swatch for the missing hours under it.
    for (int y = 0; y < l.legend.height(); ++y) {
        const int v = int(std::lround(double(l.legend.height() - 1 - y) /
                                      std::max(1, l.legend.height() - 1) * 256));
        painter.fillRect(QRect(l.legend.left(), l.legend.top() + y, l.legend.width(), 1),
                         QColor::fromRgb(palette[size_t(v)]));
    }
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(l.legend.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    const int ticks = data.maximum >= 4 ? 4 : std::max(1, data.maximum);
    for (int t = 0; t <= ticks; ++t) {
        const int value = int(std::lround(double(data.maximum) * t / ticks));
        const int y =
            l.legend.bottom() - int(std::lround(double(l.legend.height() - 1) * t / ticks));
        painter.drawText(QRect(l.legend.right() + 4, y - fm.height() / 2, RightMargin, fm.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, QString::number(value));
    }
    const QRect swatch(l.legend.left(), l.legend.bottom() + 14, l.legend.width(), 12);
    painter.fillRect(swatch, missingColor());
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    painter.drawText(QRect(swatch.right() + 4, swatch.top() - 4, RightMargin, swatch.height() + 8),
                     Qt::AlignLeft | Qt::AlignVCenter, texts.missing);
    if (data.markedHours > 0) {
        const QRect markedSwatch = swatch.translated(0, swatch.height() + 10);
        painter.fillRect(markedSwatch, markedColor());
        painter.setPen(QColor(90, 90, 90));
        painter.drawRect(markedSwatch.adjusted(0, 0, -1, -1));
        painter.setPen(Qt::black);
        painter.drawText(QRect(markedSwatch.right() + 4, markedSwatch.top() - 4, RightMargin,
                               markedSwatch.height() + 8),
                         Qt::AlignLeft | Qt::AlignVCenter, texts.marked);
    }
    painter.restore();
    return l;
}

QImage render(const Data &data, const QSize &size, const Texts &texts)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    draw(painter, data, size, texts);
    painter.end();
    return image;
}

void savePng(const Data &data, const QSize &size, const Texts &texts, const QString &path)
{
    SafeSave::writeImageOrFail(path, render(data, size, texts), "PNG");
}

} // namespace Colorgramme
