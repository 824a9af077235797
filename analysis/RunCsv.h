// The rows of a Run as CSV, for pandas, R and spreadsheets.
#pragma once

#include "ActivityModel.h"

#include <QByteArray>

#include <vector>

namespace RunCsv {

// A header line "offset,date,hour,observed,profile,shower,sporadic", then
// one line per row: the offset from 0, the date as the table holds it (a
// text field, see textField), the hour, and the observed count, the shower
// profile, the shower and the sporadic part with 17 significant digits, so
// that they read back to the same doubles. Lines end with LF. The bytes are
// UTF-8.
QByteArray format(const std::vector<TRadData> &DataRows, const std::vector<TRadData> &ModelRows);

// A text field of the program's CSV files, as RFC 4180 writes it: in double
// quotes (a quote doubled) when it holds a comma, a quote, a line end or
// blanks at its ends, as it stands otherwise. A text a spreadsheet would
// take for a formula (its first character =, +, -, @, TAB or CR) gets an
// apostrophe in front, as spreadsheet makers advise, unless it is a number
// or the lone "-" the report writes for "no value": the cell then shows the
// text and runs nothing.
QByteArray textField(const QString &text);

// A number with 17 significant digits, so that it reads back to the same
// double: the form of every number the program writes for scripts.
QString exact(double v);

} // namespace RunCsv
