// The pieces of the `name value` lines and CSV fields the reports write.
#pragma once

#include <QString>

#include <cmath>

namespace ReportLines {

// A figure with so many decimals; "-" where there is none.
inline QString number(double v, int decimals)
{
    return std::isfinite(v) ? QString::number(v, 'f', decimals) : QStringLiteral("-");
}

// Two figures (an interval's ends) separated by a blank.
inline QString pair(double lo, double hi, int decimals)
{
    return number(lo, decimals) + u' ' + number(hi, decimals);
}

inline QString yesNo(bool v)
{
    return v ? QStringLiteral("yes") : QStringLiteral("no");
}

// A text, or "-" for none.
inline QString words(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

} // namespace ReportLines
