// Hours marked as disturbed.
#include "HourMarks.h"

#include "GridModel.h"

#include <algorithm>

namespace HourMarks {

namespace {

constexpr QLatin1String Prefix("BAD:");

struct Code {
    Reason reason;
    QLatin1String code;
};
constexpr Code Codes[] = {
    {Reason::Interference, QLatin1String("IF")},
    {Reason::SporadicE, QLatin1String("ES")},
    {Reason::TransmitterOff, QLatin1String("NS")},
    {Reason::OutageAsZero, QLatin1String("OUT")},
};

} // namespace

QString markText(Reason reason, const QString &words)
{
    for (const Code &c : Codes)
        if (c.reason == reason)
            return Prefix + c.code;
    // Line ends and TABs would split the line of the text layout.
    QString text = words.simplified();
    return Prefix + text;
}

bool isMark(QStringView text)
{
    return text.trimmed().startsWith(Prefix);
}

bool isMarked(const GridModel &grid, int row)
{
    return isMark(grid.cellView(Column, row));
}

std::optional<Reason> reasonOf(QStringView text, QString *words)
{
    text = text.trimmed();
    if (!text.startsWith(Prefix))
        return std::nullopt;
    const QStringView rest = text.mid(Prefix.size()).trimmed();
    for (const Code &c : Codes)
        if (rest.compare(c.code, Qt::CaseInsensitive) == 0)
            return c.reason;
    if (words)
        *words = rest.toString();
    return Reason::Other;
}

std::optional<QString> markOfCell(QStringView cell)
{
    cell = cell.trimmed();
    for (const Code &c : Codes)
        if (c.reason != Reason::OutageAsZero && cell.compare(c.code, Qt::CaseInsensitive) == 0)
            return Prefix + c.code;
    // %n: an hour the table's writer flagged, n the number it gives.
    if (cell.size() >= 2 && cell.front() == u'%' &&
        std::all_of(cell.begin() + 1, cell.end(), [](QChar c) { return c.isDigit(); }))
        return Prefix + cell.toString();
    return std::nullopt;
}

QString describe(QStringView mark, const LanguageTexts &texts)
{
    using Text = LanguageTexts::Text;
    QString words;
    switch (reasonOf(mark, &words).value_or(Reason::Other)) {
    case Reason::Interference:
        return texts.text(Text::ReasonInterference);
    case Reason::SporadicE:
        return texts.text(Text::ReasonSporadicE);
    case Reason::TransmitterOff:
        return texts.text(Text::ReasonTransmitterOff);
    case Reason::OutageAsZero:
        return texts.text(Text::ReasonOutageAsZero);
    case Reason::Other:
        break;
    }
    return words;
}

} // namespace HourMarks
