// What a spreadsheet's number format shows.
#include "NumberFormat.h"

#include <vector>

namespace NumberFormat {

Shows ofCode(const QString &code)
{
    // The date and time letters in order, each run of one letter once.
    std::vector<char> parts;
    Shows shows;
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (quoted) {
            quoted = c != u'"';
            continue;
        }
        if (c == u'"') {
            quoted = true;
        } else if (c == u'[') {
            const qsizetype close = code.indexOf(u']', i);
            if (close < 0)
                break;
            const QString inside = code.mid(i + 1, close - i - 1).toLower();
            if (!inside.isEmpty() && (inside.count(inside.front()) == inside.size()) &&
                (inside.front() == u'h' || inside.front() == u'm' || inside.front() == u's')) {
                shows.time = true; // elapsed time
                shows.twoDigitHours = shows.twoDigitHours || inside.size() > 1;
                shows.seconds = shows.seconds || inside.front() == u's';
                parts.push_back(inside.front() == u'm' ? 'n' : inside.front().toLatin1());
            }
            i = close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i; // the next character is shown as it is
        } else if (code.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            shows.time = true;
            i += 4;
        } else if (code.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
            shows.time = true;
            i += 2;
        } else {
            const char l = c.toLower().toLatin1();
            if (l == 'h' && i + 1 < code.size() && code[i + 1].toLower() == u'h')
                shows.twoDigitHours = true;
            if (l == 's')
                shows.seconds = true;
            if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 's') {
                if (parts.empty() || parts.back() != l ||
                    (i > 0 && code[i - 1].toLower().toLatin1() != l))
                    parts.push_back(l);
            }
        }
    }
    for (size_t k = 0; k < parts.size(); ++k) {
        switch (parts[k]) {
        case 'd':
        case 'y':
            shows.date = true;
            break;
        case 'h':
        case 's':
        case 'n':
            shows.time = true;
            break;
        case 'm': {
            const bool afterHour = k > 0 && (parts[k - 1] == 'h');
            const bool beforeSecond = k + 1 < parts.size() && parts[k + 1] == 's';
            (afterHour || beforeSecond ? shows.time : shows.date) = true;
            break;
        }
        default:
            break;
        }
    }
    return shows;
}

Shows ofBuiltIn(int id)
{
    Shows shows;
    shows.date = (id >= 14 && id <= 17) || id == 22;
    shows.time = (id >= 18 && id <= 22) || (id >= 45 && id <= 47);
    shows.seconds = id == 19 || id == 21 || id == 45 || id == 46 || id == 47;
    return shows;
}

} // namespace NumberFormat
