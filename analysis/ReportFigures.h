// The report's pictures: the bootstrap's positions, the position profile
// and the a-b landscape, drawn with QPainter for the page and for PNG files.
#pragma once

#include "analysis/PositionProfile.h"

#include <QImage>
#include <QLocale>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QPainter;

namespace ReportFigures {

// The texts, each as shown (the page's language and its numbers' locale).
struct Texts {
    QString histogram; // its title, with the replicates' count when there are any
    QString profile;   // "Best dO at each position"
    QString landscape; // "dO over a and b at position 12"
    QString position;  // the profile's axis
    QString hours;     // the histogram's axis: "hours after 01.05.2025 00h UT"
    QString window;    // Auto Calc's window in the profile's legend
    QString empty;     // a panel without its content
    QString emptyLandscape;
    QStringList caption; // lines under the panels (a saved picture's numbers)
    QLocale locale = QLocale::c();
};

// What the pictures show; a part that is not there is drawn as an empty
// panel with its text.
struct Content {
    // The positions of the day-block bootstrap's replicates, in hours after
    // the first row's hour, when it has run; the report's own estimate on
    // that axis (its bar is marked), -1 for none.
    std::optional<std::vector<int>> replicates;
    int estimate = -1;
    std::optional<PositionProfile::Profile> profile;
    PositionProfile::Landscape landscape;
    int peakOffset = 0; // the centre of Auto Calc's window
    int position = 0;   // the position chosen (the Run's)
};

void drawHistogram(QPainter &painter, const QRect &rect, const Content &content,
                   const Texts &texts);
void drawProfile(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts);
void drawLandscape(QPainter &painter, const QRect &rect, const Content &content,
                   const Texts &texts);

// The three side by side, the caption's lines under them.
void drawAll(QPainter &painter, const QRect &rect, const Content &content, const Texts &texts);
QImage render(const QSize &size, const Content &content, const Texts &texts);
// As PNG through the program's one writer of files; EInOutError on failure.
void savePng(const QSize &size, const Content &content, const Texts &texts, const QString &path);

} // namespace ReportFigures
