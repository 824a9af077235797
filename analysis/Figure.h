// The result chart as a figure for a report: title, axis titles, a legend of
// the visible curves and a caption with the fit's figures, drawn with
// QPainter so that the window's Save Picture and vexlor-fit --picture make
// the same picture, as PNG, SVG or PDF.
#pragma once

#include "ActivityModel.h"

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

struct FigureData {
    QString title, xTitle, yTitle, caption;
    std::vector<QString> labels; // per point: "date\rHh (n)"
    struct Curve {
        QString name;
        QColor color;
        int width = 2;
        std::vector<double> values;
    };
    std::vector<Curve> curves; // the visible ones, in order
    double yMax = 10;
};

namespace Figure {

// The figure of a Run: the four curves in their colours (those hidden left
// out), the count column's name on the left axis, and a caption with a, b,
// the position with its date and hour, the maximum and dO.
FigureData ofRun(const std::vector<TRadData> &DataRows, const std::vector<TRadData> &ModelRows,
                 const ModelParams &params, double dO, const QString &title, const QString &column,
                 const std::vector<QString> &names, const std::vector<QColor> &colors,
                 const std::vector<bool> &visible);

void draw(QPainter &painter, const QRectF &area, const FigureData &figure);

// Writes the figure by the file's extension: .svg and .pdf as vector
// drawings (size in points), anything else as PNG of size pixels; through
// the one writer of files. Throws EInOutError "Unable to write to ...".
void save(const FigureData &figure, const QString &path, QSize size);

// Writes any drawing the same way: draw(painter, area) paints it.
void saveDrawing(const QString &path, QSize size, const QString &title,
                 const std::function<void(QPainter &, const QRectF &)> &draw);
// The bytes saveDrawing writes, for a caller that writes several files as
// one (throws EInOutError when a picture cannot be encoded).
QByteArray encodeDrawing(const QString &path, QSize size, const QString &title,
                         const std::function<void(QPainter &, const QRectF &)> &draw);

// "1600x900"; an invalid size for anything else.
QSize parseSize(const QString &text);

} // namespace Figure
