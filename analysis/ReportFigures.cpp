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

// The frame of a panel: its title above, the plot area inside margins.
QRect frame(QPainter &painter, const QRect &rect, const QString &title)
{
    const QFontMetrics fm(painter.font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(rect.left(), rect.top(), rect.width(), fm.height() + 4), Qt::AlignCenter,
                     fm.elidedText(title, Qt::ElideRight, rect.width()));
    const QRect plot = rect.adjusted(46, fm.height() + 8, -10, -fm.height() - 10);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    return plot;
}

void empty(QPainter &painter, const QRect &plot, const Texts &texts)
{
    painter.setPen(QColor(110, 110, 110));
    painter.drawText(plot.adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap, texts.empty);
}

// A value's label on an axis.
void label(QPainter &painter, const QRect &box, int flags, const QString &text)
{
    painter.setPen(Qt::black);
    painter.drawText(box, flags, text);
}

} // namespace

void drawHistogram(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts)
{
    const int n = content.bootstrap ? int(content.bootstrap->replicates.size()) : 0;
    const QRect plot = frame(
        painter, rect, n > 0 ? texts.histogram.arg(n) : texts.histogram.arg(QStringLiteral("R")));
    if (n == 0)
        return empty(painter, plot, texts);
    std::map<int, int> counts;
    for (const Bootstrap::Replicate &r : content.bootstrap->replicates)
        ++counts[r.P];
    const int lo = counts.begin()->first - 1, hi = counts.rbegin()->first + 1;
    int most = 0;
    for (const auto &[p, c] : counts)
        most = std::max(most, c);
    const double w = double(plot.width()) / (hi - lo + 1);
    for (const auto &[p, c] : counts) {
        const int h = int(std::lround(double(plot.height() - 4) * c / most));
        const QRectF bar(plot.left() + (p - lo) * w + 1, plot.bottom() - h, std::max(1.0, w - 2),
                         h);
        painter.fillRect(bar, p == content.position ? QColor(220, 0, 0) : QColor(40, 90, 200));
    }
    const QFontMetrics fm(painter.font());
    const int step = std::max(1, int(std::ceil(fm.horizontalAdvance(QStringLiteral("00000")) / w)));
    for (int p = lo; p <= hi; p += step)
        label(painter,
              QRect(int(plot.left() + (p - lo + 0.5) * w) - 30, plot.bottom() + 2, 60, fm.height()),
              Qt::AlignCenter, QString::number(p));
    label(painter, QRect(rect.left(), plot.top(), 42, fm.height()), Qt::AlignRight,
          QString::number(most));
    label(painter, QRect(rect.left(), plot.bottom() - fm.height(), 42, fm.height()), Qt::AlignRight,
          QStringLiteral("0"));
    label(painter, QRect(plot.left(), plot.bottom() + fm.height() + 2, plot.width(), fm.height()),
          Qt::AlignCenter, texts.position);
}

void drawProfile(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts)
{
    const QRect plot = frame(painter, rect, texts.profile);
    if (!content.profile || content.profile->bestPosition == 0)
        return empty(painter, plot, texts);
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
    label(painter, QRect(rect.left(), plot.top(), 42, fm.height()), Qt::AlignRight,
          QString::number(top, 'g', 3));
    label(painter, QRect(rect.left(), plot.bottom() - fm.height(), 42, fm.height()), Qt::AlignRight,
          QString::number(bottom, 'g', 3));
    label(painter, QRect(plot.left(), plot.bottom() + 2, 60, fm.height()), Qt::AlignLeft,
          QString::number(first));
    label(painter, QRect(plot.right() - 60, plot.bottom() + 2, 60, fm.height()), Qt::AlignRight,
          QString::number(last));
    label(painter, QRect(plot.left(), plot.bottom() + fm.height() + 2, plot.width(), fm.height()),
          Qt::AlignCenter, texts.position);
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
    const QRect plot = frame(painter, rect, texts.landscape.arg(l.position));
    if (!l.valid() && content.landscapePending) {
        Texts pending = texts;
        pending.empty = texts.computing;
        return empty(painter, plot, pending);
    }
    if (!l.valid())
        return empty(painter, plot, texts);
    // Colours on a logarithmic scale from the best dO (red) to ten times it
    // (dark blue), so that the valley shows; failed cells grey.
    QImage cells(100, 100, QImage::Format_RGB32);
    const double lo = std::log(l.bestDO > 0 ? l.bestDO : 1e-300);
    for (int a = 1; a <= 100; ++a)
        for (int b = 1; b <= 100; ++b) {
            const size_t cell = size_t((a - 1) * 100 + b - 1);
            QColor c = Colorgramme::missingColor();
            if (!l.failed[cell] && l.dO[cell] > 0 && std::isfinite(l.dO[cell])) {
                const double t = std::clamp((std::log(l.dO[cell]) - lo) / std::log(10.0), 0.0, 1.0);
                c = Colorgramme::colorOf(int(std::lround((1 - t) * 1000)), 1000);
            }
            cells.setPixel(a - 1, 100 - b, c.rgb()); // b grows upwards
        }
    painter.drawImage(plot.adjusted(1, 1, -1, -1), cells);
    const double cw = (plot.width() - 2) / 100.0, ch = (plot.height() - 2) / 100.0;
    const QPointF best(plot.left() + 1 + (l.bestA - 0.5) * cw,
                       plot.top() + 1 + (100 - l.bestB + 0.5) * ch);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(best + QPointF(-6, 0), best + QPointF(6, 0));
    painter.drawLine(best + QPointF(0, -6), best + QPointF(0, 6));
    const QFontMetrics fm(painter.font());
    label(painter, QRect(plot.left(), plot.bottom() + 2, 30, fm.height()), Qt::AlignLeft,
          QStringLiteral("1"));
    label(painter, QRect(plot.right() - 30, plot.bottom() + 2, 30, fm.height()), Qt::AlignRight,
          QStringLiteral("100"));
    label(painter, QRect(plot.left(), plot.bottom() + fm.height() + 2, plot.width(), fm.height()),
          Qt::AlignCenter, QStringLiteral("a"));
    label(painter, QRect(rect.left(), plot.top(), 42, fm.height()), Qt::AlignRight,
          QStringLiteral("100"));
    label(painter, QRect(rect.left(), plot.bottom() - fm.height(), 42, fm.height()), Qt::AlignRight,
          QStringLiteral("1"));
    label(painter, QRect(rect.left(), plot.center().y() - fm.height() / 2, 42, fm.height()),
          Qt::AlignRight, QStringLiteral("b"));
}

void drawAll(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts)
{
    const int w = rect.width() / 3;
    drawHistogram(painter, QRect(rect.left(), rect.top(), w, rect.height()), content, texts);
    drawProfile(painter, QRect(rect.left() + w, rect.top(), w, rect.height()), content, texts);
    // The landscape as a square as far as the room allows.
    const int side = std::min(rect.width() - 2 * w, rect.height());
    drawLandscape(painter, QRect(rect.left() + 2 * w, rect.top(), side, rect.height()), content,
                  texts);
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
