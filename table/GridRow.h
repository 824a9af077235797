// One row of the observation table: 14 cell texts packed into one string.
#pragma once

#include <QString>
#include <QStringView>

#include <array>

// The cells of a row stored end to end in one string with the end offset of
// each, so that a table of 100 000 rows costs a few megabytes and not one
// string object per cell.
class GridRow {
public:
    static constexpr int Columns = 14;

    QString cell(int col) const;
    QStringView cellView(int col) const;
    void setCell(int col, const QString &text);
    bool isEmpty() const { return m_text.isEmpty(); }

    // Fills the row from the first Columns fields of a delimited line; the
    // fields are those that ExtractField(line, delimiter, n) gives for
    // n = 1 to Columns, the rest of the line is ignored.
    static GridRow fromLine(QStringView line, QChar delimiter);

private:
    qsizetype begin(int col) const { return col == 0 ? 0 : m_end[col - 1]; }

    QString m_text;
    std::array<quint32, Columns> m_end{};
};
