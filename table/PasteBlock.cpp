// A block of cells from the clipboard, checked by the table's column rules.
#include "PasteBlock.h"

#include "app/Convert.h"
#include "app/DateConv.h"
#include "app/Progress.h"
#include "table/GridModel.h"

#include <algorithm>

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

namespace {

// The first rule of the column that the text breaks, if any. lastDate and
// lastDateGood keep the last date read: a day's rows share their date.
std::optional<Problem::Reason> brokenRule(QStringView text, int col, QString &lastDate,
                                          bool &lastDateGood)
{
    if (col >= 13)
        return Problem::Reason::NoColumn;
    if (text.isEmpty())
        return std::nullopt;
    if (col == 0) {
        if (text != lastDate) {
            lastDate = text.toString();
            lastDateGood = DateConv::fromText(lastDate).has_value();
        }
        return lastDateGood ? std::nullopt : std::optional(Problem::Reason::NotDate);
    }
    // Digits only, as the cell editor takes them.
    bool digits = true;
    for (QChar ch : text)
        digits = digits && ch >= u'0' && ch <= u'9';
    int value = 0;
    if (col == 1 && (!digits || !Convert::tryStrToInt(text.toString(), &value) || value > 23))
        return Problem::Reason::NotHour;
    if (col >= 2 && (!digits || !Convert::tryStrToInt(text.toString(), &value)))
        return Problem::Reason::NotCount;
    return std::nullopt;
}

} // namespace

std::optional<Problem> check(const std::vector<QStringList> &rows, int topRow, int leftCol)
{
    QString lastDate;
    bool lastDateGood = false;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            const int col = leftCol + static_cast<int>(c);
            const QString &text = rows[r][c];
            if (const auto reason = brokenRule(text, col, lastDate, lastDateGood))
                return Problem{topRow + static_cast<int>(r), col, text, *reason};
        }
    }
    return std::nullopt;
}

qint64 lineCount(QStringView text)
{
    if (text.isEmpty())
        return 0;
    // The lines as parse() has them: a last line end adds no row.
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.count(u'\n') + 1;
}

std::optional<Problem> overlay(QStringView text, int topRow, int leftCol, const GridModel &grid,
                               std::vector<GridRow> &out)
{
    const auto &rows = grid.rows();
    const size_t from = std::min(rows.size(), size_t(std::max(topRow - 1, 0)));
    const size_t to = std::min(rows.size(), from + size_t(std::max<qint64>(lineCount(text), 0)));
    return overlay(text, topRow, leftCol, std::span(rows).subspan(from, to - from), out);
}

std::optional<Problem> overlay(QStringView text, int topRow, int leftCol,
                               std::span<const GridRow> below, std::vector<GridRow> &out)
{
    out.clear();
    const qint64 lines = lineCount(text);
    if (lines == 0)
        return std::nullopt;
    GridModel::checkRowCount(qint64(topRow) - 1 + lines);
    out.reserve(size_t(lines));
    QString lastDate;
    bool lastDateGood = false;
    unsigned polled = 0;
    qsizetype at = 0;
    for (qint64 r = 0; r < lines; ++r) {
        ThreadProgress::checkCancelledEvery(polled); // a dropped paste stops
        qsizetype end = text.indexOf(u'\n', at);
        if (end < 0)
            end = text.size();
        QStringView line = text.mid(at, end - at);
        at = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        const int row = topRow + static_cast<int>(r);
        GridRow cells = size_t(r) < below.size() ? below[size_t(r)] : GridRow();
        int col = leftCol;
        for (qsizetype from = 0;; ++col) {
            qsizetype tab = line.indexOf(u'\t', from);
            const QStringView field = line.mid(from, (tab < 0 ? line.size() : tab) - from);
            if (const auto reason = brokenRule(field, col, lastDate, lastDateGood)) {
                out.clear();
                return Problem{row, col, field.toString(), *reason};
            }
            cells.setCell(col, field.toString());
            if (tab < 0)
                break;
            from = tab + 1;
        }
        out.push_back(std::move(cells));
    }
    return std::nullopt;
}

} // namespace PasteBlock
