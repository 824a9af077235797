// A block of cells from the clipboard, checked by the table's column rules.
#include "PasteBlock.h"

#include "app/Convert.h"
#include "app/DateConv.h"

namespace PasteBlock {

std::vector<QStringList> parse(const QString &text)
{
    std::vector<QStringList> rows;
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        rows.push_back(line.split(u'\t'));
    }
    return rows;
}

QString format(const std::vector<QStringList> &rows)
{
    QString out;
    for (const QStringList &row : rows)
        out += row.join(u'\t') + u'\n';
    return out;
}

std::optional<Problem> check(const std::vector<QStringList> &rows, int topRow, int leftCol)
{
    for (size_t r = 0; r < rows.size(); ++r) {
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            const int col = leftCol + static_cast<int>(c);
            const QString &text = rows[r][c];
            Problem p{topRow + static_cast<int>(r), col, text, Problem::Reason::NoColumn};
            // Digits only, as the cell editor takes them.
            bool digits = !text.isEmpty();
            for (QChar ch : text)
                digits = digits && ch >= u'0' && ch <= u'9';
            int value = 0;
            if (col >= 13)
                p.reason = Problem::Reason::NoColumn;
            else if (text.isEmpty())
                continue;
            else if (col == 0 && !DateConv::fromText(text))
                p.reason = Problem::Reason::NotDate;
            else if (col == 1 && (!digits || !Convert::tryStrToInt(text, &value) || value > 23))
                p.reason = Problem::Reason::NotHour;
            else if (col >= 2 && (!digits || !Convert::tryStrToInt(text, &value)))
                p.reason = Problem::Reason::NotCount;
            else
                continue;
            return p;
        }
    }
    return std::nullopt;
}

} // namespace PasteBlock
