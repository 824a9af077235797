// The report's pictures.
#include "ReportFigures.h"

#include "analysis/Colorgramme.h"
#include "app/SafeSave.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <map>

namespace ReportFigures {

namespace {

// Room on the left of a plot for its value labels.
constexpr int LeftMargin = 52;

// The frame of a panel: its title above, the plot area inside margins that
// leave room for the value labels on the left and, below, for a row of
// value labels and the axis title.
QRect frame(QPainter &painter, const QRect &rect, const QString &title, int rightMargin = 10)
{
    const QFontMetrics fm(painter.font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(rect.left(), rect.top(), rect.width(), fm.height() + 4), Qt::AlignCenter,
                     fm.elidedText(title, Qt::ElideRight, rect.width()));
    const QRect plot =
        rect.adjusted(LeftMargin, fm.height() + 8, -rightMargin, -2 * fm.height() - 8);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    return plot;
}

void empty(QPainter &painter, const QRect &plot, const QString &text)
{
    painter.setPen(QColor(110, 110, 110));
    painter.drawText(plot.adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap, text);
}

// A value's label on an axis.
void label(QPainter &painter, const QRect &box, int flags, const QString &text)
{
    painter.setPen(Qt::black);
    painter.drawText(box, flags, text);
}

// An axis title under the value labels of a plot, elided to its width.
void axisTitle(QPainter &painter, const QRect &plot, const QString &text)
{
    const QFontMetrics fm(painter.font());
    label(painter, QRect(plot.left(), plot.bottom() + fm.height() + 4, plot.width(), fm.height()),
          Qt::AlignCenter, fm.elidedText(text, Qt::ElideRight, plot.width()));
}

// A value on the left of a plot, in the room the frame leaves there.
void leftValue(QPainter &painter, const QRect &rect, int y, int flags, const QString &text)
{
    const QFontMetrics fm(painter.font());
    label(painter, QRect(rect.left(), y, LeftMargin - 4, fm.height()), flags | Qt::AlignRight,
          fm.elidedText(text, Qt::ElideLeft, LeftMargin - 4));
}

} // namespace

void drawHistogram(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts)
{
    const int n = content.replicates ? int(content.replicates->size()) : 0;
    const QRect plot = frame(painter, rect, texts.histogram);
    if (n == 0)
        return empty(painter, plot, texts.empty);
    std::map<int, int> counts;
    for (int p : *content.replicates)
        ++counts[p];
    const int lo = counts.begin()->first - 1, hi = counts.rbegin()->first + 1;
    int most = 0;
    for (const auto &[p, c] : counts)
        most = std::max(most, c);
    const double w = double(plot.width()) / (hi - lo + 1);
    for (const auto &[p, c] : counts) {
        const int h = int(std::lround(double(plot.height() - 4) * c / most));
        const QRectF bar(plot.left() + (p - lo) * w + 1, plot.bottom() - h, std::max(1.0, w - 2),
                         h);
        painter.fillRect(bar, p == content.estimate ? QColor(220, 0, 0) : QColor(40, 90, 200));
    }
    const QFontMetrics fm(painter.font());
    const int step = std::max(1, int(std::ceil(fm.horizontalAdvance(QStringLiteral("00000")) / w)));
    for (int p = lo; p <= hi; p += step)
        label(painter,
              QRect(int(plot.left() + (p - lo + 0.5) * w) - 30, plot.bottom() + 2, 60, fm.height()),
              Qt::AlignCenter, texts.locale.toString(p));
    leftValue(painter, rect, plot.top(), Qt::AlignTop, texts.locale.toString(most));
    leftValue(painter, rect, plot.bottom() - fm.height(), Qt::AlignBottom,
              texts.locale.toString(0));
    axisTitle(painter, plot, texts.hours);
}

void drawProfile(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts)
{
    const QRect plot = frame(painter, rect, texts.profile);
    if (!content.profile || content.profile->bestPosition == 0)
        return empty(painter, plot, texts.empty);
    const PositionProfile::Profile &p = *content.profile;
    const int first = p.points.front().position, last = p.points.back().position;
    double top = 0;
    for (const PositionProfile::Point &pt : p.points)
        if (!pt.gap && std::isfinite(pt.dO))
            top = std::max(top, pt.dO);
    const double bottom = p.bestDO;
    if (!(top > bottom))
        top = bottom + 1e-9;
    const double span = std::max(1, last - first);
    const auto x = [&](double position) {
        return plot.left() + (position - first) / span * (plot.width() - 1);
    };
    const auto y = [&](double dO) {
        return plot.bottom() - (dO - bottom) / (top - bottom) * (plot.height() - 1);
    };
    // Auto Calc's window, shaded.
    const double w0 = x(std::max(first, content.peakOffset - 5)),
                 w1 = x(std::min(last, content.peakOffset + 5));
    painter.fillRect(QRectF(w0, plot.top() + 1, std::max(2.0, w1 - w0), plot.height() - 2),
                     QColor(255, 225, 150));
    QPainterPath path;
    bool pen = false;
    for (const PositionProfile::Point &pt : p.points) {
        if (pt.gap || !std::isfinite(pt.dO)) {
            pen = false; // a gap breaks the curve
            continue;
        }
        const QPointF at(x(pt.position), y(pt.dO));
        if (pen)
            path.lineTo(at);
        else
            path.moveTo(at);
        pen = true;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(40, 90, 200), 1.5));
    painter.drawPath(path);
    // The Run's position, and the profile's best.
    painter.setPen(QPen(QColor(220, 0, 0), 1, Qt::DashLine));
    painter.drawLine(QPointF(x(content.position), plot.top()),
                     QPointF(x(content.position), plot.bottom()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(x(p.bestPosition), y(p.bestDO)), 3.5, 3.5);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QFontMetrics fm(painter.font());
    leftValue(painter, rect, plot.top(), Qt::AlignTop, texts.locale.toString(top, 'g', 3));
    leftValue(painter, rect, plot.bottom() - fm.height(), Qt::AlignBottom,
              texts.locale.toString(bottom, 'g', 3));
    label(painter, QRect(plot.left(), plot.bottom() + 2, 60, fm.height()), Qt::AlignLeft,
          texts.locale.toString(first));
    label(painter, QRect(plot.right() - 60, plot.bottom() + 2, 60, fm.height()), Qt::AlignRight,
          texts.locale.toString(last));
    axisTitle(painter, plot, texts.position);
    // The window's legend: its colour, then its name.
    const int textWidth = fm.horizontalAdvance(texts.window);
    const QRect swatch(plot.right() - textWidth - 22, plot.top() + 4, 12, fm.height() - 4);
    painter.fillRect(swatch, QColor(255, 225, 150));
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(swatch);
    label(painter, QRect(plot.left() + 4, plot.top() + 2, plot.width() - 8, fm.height()),
          Qt::AlignRight, texts.window);
}

void drawLandscape(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts)
{
    const PositionProfile::Landscape &l = content.landscape;
    const QFontMetrics fm(painter.font());
    // Room on the right for the colour scale and its values.
    const int scaleWidth = 14,
              scaleRoom = scaleWidth + 8 + fm.horizontalAdvance(QStringLiteral("0.00000e-00"));
    const QRect plot = frame(painter, rect, texts.landscape, scaleRoom);
    if (!l.valid())
        return empty(painter, plot, texts.emptyLandscape);
    // Colours on a logarithmic scale from the best dO (red) to ten times it
    // (dark blue), so that the valley shows; failed cells grey.
    const auto colourAt = [](double t) { // t: 0 at the best, 1 at ten times it
        return Colorgramme::colorOf(int(std::lround((1 - t) * 1000)), 1000);
    };
    QImage cells(100, 100, QImage::Format_RGB32);
    const double lo = std::log(l.bestDO > 0 ? l.bestDO : 1e-300);
    for (int a = 1; a <= 100; ++a)
        for (int b = 1; b <= 100; ++b) {
            const size_t cell = size_t((a - 1) * 100 + b - 1);
            QColor c = Colorgramme::missingColor();
            if (!l.failed[cell] && l.dO[cell] > 0 && std::isfinite(l.dO[cell]))
                c = colourAt(std::clamp((std::log(l.dO[cell]) - lo) / std::log(10.0), 0.0, 1.0));
            cells.setPixel(a - 1, 100 - b, c.rgb()); // b grows upwards
        }
    painter.drawImage(plot.adjusted(1, 1, -1, -1), cells);
    const double cw = (plot.width() - 2) / 100.0, ch = (plot.height() - 2) / 100.0;
    const QPointF best(plot.left() + 1 + (l.bestA - 0.5) * cw,
                       plot.top() + 1 + (100 - l.bestB + 0.5) * ch);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(best + QPointF(-6, 0), best + QPointF(6, 0));
    painter.drawLine(best + QPointF(0, -6), best + QPointF(0, 6));
    label(painter, QRect(plot.left(), plot.bottom() + 2, 30, fm.height()), Qt::AlignLeft,
          QStringLiteral("1"));
    label(painter, QRect(plot.right() - 30, plot.bottom() + 2, 30, fm.height()), Qt::AlignRight,
          QStringLiteral("100"));
    axisTitle(painter, plot, QStringLiteral("a"));
    leftValue(painter, rect, plot.top(), Qt::AlignTop, QStringLiteral("100"));
    leftValue(painter, rect, plot.bottom() - fm.height(), Qt::AlignBottom, QStringLiteral("1"));
    leftValue(painter, rect, plot.center().y() - fm.height() / 2, Qt::AlignVCenter,
              QStringLiteral("b"));

    // The colour scale: the best dO at the bottom, ten times it at the top,
    // grey for a candidate whose fit failed below it.
    const QRect bar(plot.right() + 8, plot.top(), scaleWidth, plot.height() - fm.height() - 6);
    for (int y = 0; y < bar.height(); ++y)
        painter.fillRect(QRect(bar.left(), bar.bottom() - y, bar.width(), 1),
                         colourAt(double(y) / std::max(1, bar.height() - 1)));
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    const QRect failedSwatch(bar.left(), plot.bottom() - fm.height() + 1, scaleWidth,
                             fm.height() - 1);
    painter.fillRect(failedSwatch, Colorgramme::missingColor());
    painter.drawRect(failedSwatch.adjusted(0, 0, -1, -1));
    const int textLeft = bar.right() + 4, textWidth = rect.right() - textLeft;
    const auto value = [&](double v) { return texts.locale.toString(v, 'g', 3); };
    label(painter, QRect(textLeft, bar.top(), textWidth, fm.height()), Qt::AlignLeft | Qt::AlignTop,
          value(10 * l.bestDO));
    label(painter, QRect(textLeft, bar.center().y() - fm.height() / 2, textWidth, fm.height()),
          Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("dO"));
    label(painter, QRect(textLeft, bar.bottom() - fm.height(), textWidth, fm.height()),
          Qt::AlignLeft | Qt::AlignBottom, value(l.bestDO));
}

void drawAll(QPainter &painter, const QRect &whole, const Content &content, const Texts &texts)
{
    // The caption's lines at the bottom, word-wrapped; the panels above.
    const QFontMetrics fm(painter.font());
    const QString caption = texts.caption.join(u'\n');
    const int captionHeight = caption.isEmpty()
                                  ? 0
                                  : fm.boundingRect(QRect(0, 0, whole.width() - 20, whole.height()),
                                                    Qt::TextWordWrap, caption)
                                            .height() +
                                        8;
    const QRect rect = whole.adjusted(0, 0, 0, -captionHeight);
    const int w = rect.width() / 3;
    drawHistogram(painter, QRect(rect.left(), rect.top(), w, rect.height()), content, texts);
    drawProfile(painter, QRect(rect.left() + w, rect.top(), w, rect.height()), content, texts);
    // The landscape about square, its colour scale beside it.
    const int side = std::min(rect.width() - 2 * w, rect.height() + 2 * LeftMargin);
    drawLandscape(painter, QRect(rect.left() + 2 * w, rect.top(), side, rect.height()), content,
                  texts);
    if (!caption.isEmpty())
        label(painter,
              QRect(whole.left() + 10, rect.bottom() + 4, whole.width() - 20, captionHeight),
              Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, caption);
}

QImage render(const QSize &size, const Content &content, const Texts &texts)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawAll(painter, QRect(QPoint(0, 0), size), content, texts);
    painter.end();
    return image;
}

void savePng(const QSize &size, const Content &content, const Texts &texts, const QString &path)
{
    SafeSave::writeImageOrFail(path, render(size, content, texts), "PNG");
}

} // namespace ReportFigures
