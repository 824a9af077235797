// A look at an Excel 97-2003 workbook's cells before FreeXL reads it.
#pragma once

#include "NumberFormat.h"
#include "Workbook.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

namespace XlsScan {

// FreeXL turns a date cell's serial into a date a day at a time, at about
// a nanosecond a day: a few cells near 2^31 take it minutes. The scan finds
// the date and time cells in the file's Workbook stream and refuses, with
// EWorkbookError, a serial past 9999-12-31 (no observation's date) and more
// days in all than MaxDays, which FreeXL could not convert in seconds. A
// file whose stream cannot be found is left for FreeXL to judge.
//
// Of the sheet the workbook opens at (its WINDOW1 record's active tab) it
// also returns what FreeXL does not give: its number, how the date and
// time cells are formatted, and the values formulas cached (FreeXL returns
// formula cells as empty, which would read as 0).
struct ActiveSheet {
    unsigned short index = 0; // from 0, in the order of the sheets
    // By row * 65536 + column, counted from 0.
    QHash<quint64, NumberFormat::Shows> formats;
    struct Formula {
        int row, col; // from 0
        CellValue value;
    };
    std::vector<Formula> formulas;
};
ActiveSheet check(const QByteArray &file, const QString &path);
// The same over the BIFF records of a Workbook stream.
ActiveSheet scanStream(const QByteArray &stream, const QString &path);

inline constexpr double LastSerial = 2958465;   // 9999-12-31
inline constexpr double MaxDays = 8589934592.0; // 2^33, some five seconds of FreeXL

// The Workbook (or Book) stream of an OLE2 compound file; empty when the
// file holds none or its sector chains are broken.
QByteArray workbookStream(const QByteArray &file);

} // namespace XlsScan
