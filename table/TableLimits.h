// The size of the observation table, counted the same way by everything
// that fills it or writes it.
#pragma once

#include <QtGlobal>

namespace TableLimits {

// The most data rows the table holds (the header row not counted): as many
// rows as a spreadsheet's sheet has. Open (TXT), Import, paste and the row
// commands stop at it, and a saved text file of that many rows opens again.
inline constexpr qsizetype MaxRows = 1048576;

} // namespace TableLimits
