// The tab-separated observation file: reading and writing table rows.
#pragma once

#include "table/GridRow.h"
#include "table/TableLimits.h"

#include <QIODevice>
#include <vector>

class GridModel;

namespace TextFormat {

// The fixed first line; "Date" is followed by two TABs.
inline constexpr char HeaderLine[] = "Date\t\tHour\tSum\tN1\tN2\tN3\tN4\tN5\tN6\tN7\tN8\tN9\tN10";
// Grid columns 0 to 12 are written; the filler column 13 is not.
inline constexpr int WrittenColumns = 13;

// The largest file Open (TXT) reads, far more than any observation table.
inline constexpr qint64 MaxFileSize = 512LL * 1024 * 1024;
// The most data lines a file may have (the header line not counted): as
// many as the table has rows.
inline constexpr qsizetype MaxRows = TableLimits::MaxRows;

// The lines after the header line (a last line without a line end counted).
qsizetype dataLines(const QByteArray &bytes);

// Parses the whole of a file's bytes into table rows. The first line is
// skipped unread; each following line becomes one row (an empty line inside
// the data an empty row, so rows keep the numbering of the lines); empty
// lines at the end add no rows; at least one row results. Lines end at LF or
// CR LF. Bytes that are not valid UTF-8 are read as Windows-1251.
std::vector<GridRow> parse(const QByteArray &bytes);

// Parses a file's bytes after checking them; throws EInOutError naming the
// file for bytes that are not text (a NUL byte) and for more than MaxRows
// data lines.
std::vector<GridRow> parseText(const QByteArray &bytes, const QString &name);

// Reads the device to its end (at most MaxFileSize bytes) and parses it as
// parseText does; throws EInOutError with the device's error text when it
// cannot be read.
std::vector<GridRow> read(QIODevice &device, const QString &name);

// The bytes of a file for data rows 1 to rowCount - 1 of the table: the
// header line, then 13 TAB-joined fields per row, every line ending CR LF.
// A TAB, CR or LF inside a cell is written as a space, so the file always
// loads back into the same rows and columns.
QByteArray format(const GridModel &grid);

// Reads a regular file of at most MaxFileSize bytes whole and parses it;
// EInOutError, with the reason in words, for anything else. A FIFO or a
// device is refused without being opened for reading.
std::vector<GridRow> load(const QString &path);
// Writes atomically: a failed save leaves an existing file intact. A table
// whose file load() would refuse (more than MaxRows rows, more than
// MaxFileSize bytes) is refused before anything is written.
void save(const GridModel &grid, const QString &path);

} // namespace TextFormat
