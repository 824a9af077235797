// The rows of a Run as CSV, for pandas, R and spreadsheets.
#pragma once

#include "ActivityModel.h"

#include <QByteArray>

#include <vector>

namespace RunCsv {

// A header line "offset,date,hour,observed,profile,shower,sporadic", then
// one line per row: the offset from 0, the date as the table holds it, the
// hour, and the observed count, the shower profile, the shower and the
// sporadic part with 17 significant digits, so that they read back to the
// same doubles. Lines end with LF; a date holding a comma, a quote or a line
// end is quoted. The bytes are UTF-8.
QByteArray format(const std::vector<TRadData> &DataRows, const std::vector<TRadData> &ModelRows);

// A text field of a CSV line: a text a spreadsheet would take for a formula
// (one starting with =, +, -, @, a tab or a carriage return) gets an
// apostrophe in front, as the spreadsheets' own advice on CSV has it, and a
// field holding a comma, a quote, a line end or blanks at its ends is
// quoted with "" for a quote (RFC 4180). A number, and "-" (no value), stay
// as they are. UTF-8.
QByteArray textField(const QString &text);

// A number with 17 significant digits, so that it reads back to the same
// double: the form of every number the program writes for scripts.
QString exact(double v);

} // namespace RunCsv
