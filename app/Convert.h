// Whole-number conversion of cell and settings texts.
#pragma once

#include <QString>

namespace Convert {

// A decimal whole number with an optional sign, or a hexadecimal one written
// with "$", "0x" or "0X"; leading blanks are skipped. Decimal numbers must
// fit 32 bits; hexadecimal ones may use all 32 bits.
bool tryStrToInt(const QString &text, int *value);

// As tryStrToInt; throws EConvertError "'%s' is not a valid integer value".
int StrToInt(const QString &text);

} // namespace Convert
