// The network's picture of a station's month.
#include "NetworkPicture.h"

#include "analysis/Colorgramme.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace NetworkPicture {

namespace {

QString stationValue(const NetworkExport::Station &station, const char *key)
{
    const auto it = station.find(QLatin1String(key));
    return it == station.end() ? QString() : it->second.simplified();
}

// The station's lines: observer, place, frequency, antenna.
QStringList stationLines(const NetworkExport::Station &station)
{
    QStringList lines;
    lines << stationValue(station, "Observer");
    QStringList place;
    for (const char *key : {"City", "Country"})
        if (const QString v = stationValue(station, key); !v.isEmpty())
            place << v;
    lines << place.join(QStringLiteral(", "));
    if (const QString v = stationValue(station, "Frequencies"); !v.isEmpty())
        lines << QStringLiteral("Frequency: ") + v;
    if (const QString v = stationValue(station, "Antenna"); !v.isEmpty())
        lines << QStringLiteral("Antenna: ") + v;
    return lines;
}

QFont pictureFont(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

Month collect(const GridModel &grid, int column, const QDate &month)
{
    Month out;
    out.first = QDate(month.year(), month.month(), 1);
    std::array<int, 24> none;
    none.fill(-1);
    out.days.assign(size_t(out.first.daysInMonth()), none);
    out.marked.assign(out.days.size(), std::array<bool, 24>{});
    const Colorgramme::Data data = Colorgramme::collect(grid, column);
    if (data.days == 0 || data.tooLong)
        return out;
    for (int d = 0; d < int(out.days.size()); ++d) {
        const qint64 k = data.first.daysTo(out.first.addDays(d));
        if (k < 0 || k >= data.days)
            continue;
        for (int h = 0; h < 24; ++h) {
            const int v = data.counts[size_t(data.index(int(k), h))];
            out.days[size_t(d)][size_t(h)] = v;
            out.marked[size_t(d)][size_t(h)] = data.isMarked(data.index(int(k), h));
            if (v >= 0) {
                out.maximum = std::max(out.maximum, v);
                out.lastDay = d;
            }
        }
    }
    return out;
}

Layout layout(const Month &month)
{
    Layout l;
    l.text = QRect(8, 6, 250, 64);
    l.bars = QRect(30, 92, 226, 100);
    // Whole pixels per day and per hour, so that every cell has the same size.
    const int days = std::max(1, int(month.days.size()));
    const int cellW = 330 / days, cellH = 7;
    l.plot = QRect(318, 22, cellW * days, cellH * 24);
    l.legend = QRect(l.plot.right() + 16, l.plot.top(), 12, l.plot.height());
    return l;
}

QImage render(const Month &month, const NetworkExport::Station &station)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const Layout l = layout(month);
    const QColor frame(90, 90, 90);

    // The station's text block.
    p.setPen(Qt::black);
    const QStringList lines = stationLines(station);
    int y = l.text.top();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QFont font = pictureFont(i == 0 ? 13 : 11, i == 0);
        p.setFont(font);
        const QFontMetrics fm(font);
        p.drawText(QRect(l.text.left(), y, l.text.width(), fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(lines[i], Qt::ElideRight, l.text.width()));
        y += fm.height() + 1;
    }

    // The last observed day's counts as bars, 0h on the left.
    const QFont small = pictureFont(10);
    p.setFont(small);
    const QFontMetrics fm(small);
    const std::array<int, 24> *day =
        month.lastDay >= 0 ? &month.days[size_t(month.lastDay)] : nullptr;
    const int dayMaximum = day ? std::max(1, *std::max_element(day->begin(), day->end())) : 1;
    p.drawText(QRect(l.bars.left(), l.bars.top() - fm.height() - 4, l.bars.width(), fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter,
               day ? QLocale::c().toString(month.first.addDays(month.lastDay),
                                           QStringLiteral("d MMMM yyyy")) +
                         QStringLiteral(", counts per hour (UT)")
                   : QStringLiteral("No counts"));
    const double barW = double(l.bars.width()) / 24;
    for (int h = 0; h < 24 && day; ++h) {
        const int v = (*day)[size_t(h)];
        const int x0 = l.bars.left() + int(std::lround(h * barW)) + 1;
        const int x1 = l.bars.left() + int(std::lround((h + 1) * barW)) - 1;
        if (v < 0) {
            // An hour without a count: a low grey (or, marked, magenta)
            // mark, not a bar of zero.
            const bool marked =
                month.marked.empty() ? false : month.marked[size_t(month.lastDay)][size_t(h)];
            p.fillRect(QRect(x0, l.bars.bottom() - 2, x1 - x0, 3),
                       marked ? Colorgramme::markedColor() : Colorgramme::missingColor());
            continue;
        }
        const int height = int(std::lround(double(v) / dayMaximum * (l.bars.height() - 1)));
        p.fillRect(QRect(x0, l.bars.bottom() + 1 - height, x1 - x0, height),
                   Colorgramme::colorOf(v, month.maximum));
    }
    p.setPen(frame);
    p.drawLine(l.bars.bottomLeft() + QPoint(0, 1), l.bars.bottomRight() + QPoint(0, 1));
    p.drawLine(l.bars.topLeft() - QPoint(1, 0), l.bars.bottomLeft() - QPoint(1, -1));
    p.setPen(Qt::black);
    for (int h = 0; h < 24; h += 6)
        p.drawText(QRect(l.bars.left() + int(h * barW) - 10, l.bars.bottom() + 3, 20 + int(barW),
                         fm.height()),
                   Qt::AlignCenter, QString::number(h));
    for (const int v : {0, dayMaximum}) {
        const int yv =
            l.bars.bottom() - int(std::lround(double(v) / dayMaximum * (l.bars.height() - 1)));
        p.drawText(QRect(0, yv - fm.height() / 2, l.bars.left() - 4, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }

    // The month's colorgramme: a column per day, a row per hour, 0h on top.
    p.drawText(QRect(l.plot.left(), 2, l.plot.width(), l.plot.top() - 4), Qt::AlignCenter,
               QLocale::c().toString(month.first, QStringLiteral("MMMM yyyy")) +
                   QStringLiteral(", hourly counts (UT)"));
    const int days = int(month.days.size());
    const int cellW = days > 0 ? l.plot.width() / days : 0, cellH = l.plot.height() / 24;
    for (int d = 0; d < days; ++d)
        for (int h = 0; h < 24; ++h) {
            const int v = month.days[size_t(d)][size_t(h)];
            const bool marked = !month.marked.empty() && month.marked[size_t(d)][size_t(h)];
            p.fillRect(QRect(l.plot.left() + d * cellW, l.plot.top() + h * cellH, cellW, cellH),
                       v >= 0   ? Colorgramme::colorOf(v, month.maximum)
                       : marked ? Colorgramme::markedColor()
                                : Colorgramme::missingColor());
        }
    p.setPen(frame);
    p.drawRect(l.plot.adjusted(-1, -1, 0, 0));
    p.setPen(Qt::black);
    for (int h = 0; h < 24; h += 6)
        p.drawText(QRect(l.plot.left() - 30, l.plot.top() + h * cellH + cellH / 2 - fm.height() / 2,
                         26, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1h").arg(h));
    for (int d = 0; d < days; d += 5)
        p.drawText(
            QRect(l.plot.left() + d * cellW + cellW / 2 - 10, l.plot.bottom() + 3, 20, fm.height()),
            Qt::AlignCenter, QString::number(d + 1));

    // The scale from 0 at the bottom to the month's largest count on top.
    for (int yy = 0; yy < l.legend.height(); ++yy)
        p.fillRect(QRect(l.legend.left(), l.legend.top() + yy, l.legend.width(), 1),
                   Colorgramme::colorOf(int(std::lround(double(l.legend.height() - 1 - yy) /
                                                        (l.legend.height() - 1) * month.maximum)),
                                        month.maximum));
    p.setPen(frame);
    p.drawRect(l.legend.adjusted(-1, -1, 0, 0));
    p.setPen(Qt::black);
    for (int t = 0; t <= 2; ++t) {
        const int yv = l.legend.bottom() - (l.legend.height() - 1) * t / 2;
        p.drawText(QRect(l.legend.right() + 4, yv - fm.height() / 2, Width - l.legend.right() - 4,
                         fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(int(std::lround(month.maximum * t / 2.0))));
    }
    p.end();
    return image;
}

QString fileName(const NetworkExport::Station &station, const QDate &month)
{
    return QStringLiteral("%1_%2%3.jpg")
        .arg(NetworkExport::fileNamePart(stationValue(station, "Observer")))
        .arg(month.month(), 2, 10, QChar(u'0'))
        .arg(month.year(), 4, 10, QChar(u'0'));
}

std::vector<NetworkExport::File> withPictures(const GridModel &grid, int column,
                                              const NetworkExport::Station &station)
{
    std::vector<NetworkExport::File> out;
    const std::vector<NetworkExport::File> files = NetworkExport::build(grid, column, station);
    for (size_t i = 0; i < files.size(); ++i) {
        out.push_back(files[i]);
        if (i + 1 < files.size() && files[i + 1].month == files[i].month)
            continue;
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        const QImage picture = render(collect(grid, column, files[i].month), station);
        if (!picture.save(&buffer, "JPG", 90))
            throw EInOutError(QStringLiteral("The picture of %1 could not be encoded as JPEG")
                                  .arg(files[i].month.toString(QStringLiteral("yyyy-MM"))));
        out.push_back({fileName(station, files[i].month), bytes, files[i].month});
    }
    return out;
}

} // namespace NetworkPicture
