// The report's pictures: the bootstrap's positions, the position profile
// and the a-b landscape, drawn with QPainter for the page and for PNG files.
#pragma once

#include "analysis/Bootstrap.h"
#include "analysis/PositionProfile.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

class QPainter;

namespace ReportFigures {

struct Texts {
    QString histogram; // "Position of the maximum in %1 replicates"
    QString profile;   // "Best dO at each position"
    QString landscape; // "dO over a and b at position %1"
    QString position, replicates, window, empty;
    QString computing; // the landscape while it is being scored
};

// What the pictures show; a part that is not there is drawn as an empty
// panel with texts.empty.
struct Content {
    std::optional<Bootstrap::Result> bootstrap;
    std::optional<PositionProfile::Profile> profile;
    PositionProfile::Landscape landscape;
    bool landscapePending = false; // being scored off the window's thread
    int peakOffset = 0;            // the centre of Auto Calc's window
    int position = 0;              // the position chosen (the Run's)
};

void drawHistogram(QPainter &painter, const QRect &rect, const Content &content,
                   const Texts &texts);
void drawProfile(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts);
void drawLandscape(QPainter &painter, const QRect &rect, const Content &content,
                   const Texts &texts);

// The three side by side.
void drawAll(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts);
QImage render(const QSize &size, const Content &content, const Texts &texts);
// As PNG through the program's one writer of files; EInOutError on failure.
void savePng(const QSize &size, const Content &content, const Texts &texts, const QString &path);

} // namespace ReportFigures
