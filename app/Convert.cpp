// Whole-number conversion of cell and settings texts.
#include "Convert.h"

#include "Errors.h"

namespace Convert {

bool tryStrToInt(const QString &text, int *value)
{
    QStringView t(text);
    while (!t.isEmpty() && t.front() == u' ')
        t = t.mid(1);
    bool negative = false;
    if (!t.isEmpty() && (t.front() == u'-' || t.front() == u'+')) {
        negative = t.front() == u'-';
        t = t.mid(1);
    }
    int base = 10;
    if (t.startsWith(u'$')) {
        t = t.mid(1);
        base = 16;
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        t = t.mid(2);
        base = 16;
    }
    if (t.isEmpty() || t.size() > 20)
        return false;
    quint64 magnitude = 0;
    for (QChar c : t) {
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c.unicode() - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c.unicode() - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c.unicode() - u'A' + 10;
        if (digit < 0)
            return false;
        magnitude = magnitude * static_cast<quint64>(base) + static_cast<quint64>(digit);
        if (magnitude > 0xFFFFFFFFull)
            return false;
    }
    if (base == 16) {
        // Hexadecimal spans the whole 32 bits (colours, masks).
        auto bits = static_cast<quint32>(magnitude);
        *value = static_cast<int>(negative ? 0u - bits : bits);
        return true;
    }
    if (magnitude > (negative ? 0x80000000ull : 0x7FFFFFFFull))
        return false;
    *value =
        negative ? static_cast<int>(-static_cast<qint64>(magnitude)) : static_cast<int>(magnitude);
    return true;
}

int StrToInt(const QString &text)
{
    int value = 0;
    if (!tryStrToInt(text, &value))
        throw EConvertError::notInteger(text);
    return value;
}

} // namespace Convert
