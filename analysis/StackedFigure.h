// The stacked profile as a picture: every dataset's counts, its sporadic
// part removed and scaled to the common profile, in its own colour on the
// solar-longitude axis, the fitted profile on top, and the fit's figures
// beneath. The page and vexlor-fit --picture draw the same picture.
#pragma once

#include "StackedFit.h"
#include "StackedReport.h"

#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>

#include <vector>

class QPainter;

namespace StackedFigure {

// The texts of the picture, in the language of the window (vexlor-fit's
// English by default).
struct Texts {
    QString title;   // the shower or the window
    QString xTitle;  // "Solar longitude (degrees, J2000.0)"
    QString yTitle;  // "Profile (1 at the maximum)"
    QString profile; // the fitted profile's legend
    QString caption; // the fit's figures in one line
    QString empty;   // shown when there is no fit
};

// Texts from the fit, in English.
Texts englishTexts(const StackedFit::Result &fit, const QString &title);
// The caption: the maximum with its 95 % interval, B+ and B-, the width and
// the model, or the reason the data do not determine the maximum.
QString englishCaption(const StackedFit::Result &fit);

// The colour of dataset i of n: distinct hues, dark enough on white.
QColor colorOf(size_t i);

// The legend's name of a dataset: its column (and station), its season.
QString datasetName(const ShowerSeasons::Dataset &d);

void draw(QPainter &painter, const QRectF &area, const StackedFit::Result &fit,
          const std::vector<std::vector<StackedReport::Point>> &points, const Texts &texts);

// PNG, SVG or PDF by the extension, through the one writer (Figure); or
// its bytes.
void save(const StackedFit::Result &fit, const Texts &texts, const QString &path, QSize size);
QByteArray encode(const StackedFit::Result &fit, const Texts &texts, const QString &path,
                  QSize size);

} // namespace StackedFigure
