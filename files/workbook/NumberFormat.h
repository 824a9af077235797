// What a spreadsheet's number format shows: a date, a time of day, both, or
// a plain number. Shared by the workbook readers.
#pragma once

#include <QString>

namespace NumberFormat {

struct Shows {
    bool date = false;          // day, month or year
    bool time = false;          // hours, minutes or seconds
    bool twoDigitHours = false; // "hh" rather than "h"
    bool seconds = false;
};

// Reads a format code as spreadsheets do: letters inside quotes, after a
// backslash, or in brackets other than elapsed time ([h], [mm], [ss]) are
// shown as they stand; "m" is minutes right after an hour or before a
// second, a month otherwise; "AM/PM" and "A/P" mark a time.
Shows ofCode(const QString &code);

// The built-in formats of Office Open XML and BIFF by number: 14 to 17 and
// 22 show dates (22 with the time), 18 to 21 and 45 to 47 times of day.
Shows ofBuiltIn(int id);

} // namespace NumberFormat
