// Colour values as the settings file stores them: red + 256 green + 65536 blue.
#pragma once

#include <QColor>

namespace Colors {

inline QColor fromValue(int value)
{
    auto v = static_cast<quint32>(value);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

inline int toValue(const QColor &color)
{
    return color.red() + 256 * color.green() + 65536 * color.blue();
}

// The defaults of the settings keys, and the table's own colours.
inline constexpr int Blue = 16711680;
inline constexpr int Red = 255;
inline constexpr int Yellow = 65535;
inline constexpr int DarkGreen = 32768;
inline constexpr int White = 16777215;
inline constexpr int Black = 0;
inline constexpr int CellColor = 11206655; // 0xAAFFFF, light yellow

} // namespace Colors
