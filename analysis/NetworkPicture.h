// The network's picture of a station's month, <Observer>_MMYYYY.jpg, 700 by
// 220 pixels: on the left the station's text and the hourly counts of the
// month's last observed day as bars, on the right the month's colorgramme
// (days across, UT hours down) with its colour scale.
#pragma once

#include "files/NetworkExport.h"

#include <QDate>
#include <QImage>
#include <QRect>

#include <array>
#include <vector>

class GridModel;

namespace NetworkPicture {

inline constexpr int Width = 700, Height = 220;

// The counts of one month of a table column, -1 for an hour without one.
struct Month {
    QDate first; // the month's first day
    std::vector<std::array<int, 24>> days;
    std::vector<std::array<bool, 24>> marked; // hours marked as disturbed
    int maximum = 0;
    int lastDay = -1; // the last day (from 0) with a count, -1 for none
};
Month collect(const GridModel &grid, int column, const QDate &month);

// Where the picture puts its parts.
struct Layout {
    QRect text;   // the station's lines
    QRect bars;   // the last day's 24 bars
    QRect plot;   // the month's cells, a column per day, a row per hour
    QRect legend; // the colour scale
};
Layout layout(const Month &month);

QImage render(const Month &month, const NetworkExport::Station &station);

// The picture's file name, "<Observer>_MMYYYY.jpg".
QString fileName(const NetworkExport::Station &station, const QDate &month);

// The network's files of a table column, every month's table, hourly list
// and picture (JPEG) one after the other; fails as NetworkExport::build.
std::vector<NetworkExport::File> withPictures(const GridModel &grid, int column,
                                              const NetworkExport::Station &station);

} // namespace NetworkPicture
