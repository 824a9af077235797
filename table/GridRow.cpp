// One row of the observation table: 14 cell texts packed into one string.
#include "GridRow.h"

QStringView GridRow::cellView(int col) const
{
    return QStringView(m_text).mid(begin(col), m_end[col] - begin(col));
}

QString GridRow::cell(int col) const
{
    return cellView(col).toString();
}

void GridRow::setCell(int col, const QString &text)
{
    qsizetype start = begin(col);
    qsizetype oldLength = m_end[col] - start;
    m_text.replace(start, oldLength, text);
    qsizetype delta = text.size() - oldLength;
    for (int c = col; c < Columns; ++c)
        m_end[c] = static_cast<quint32>(m_end[c] + delta);
    if (m_text.isEmpty())
        m_text = QString(); // an empty row holds no memory
}

GridRow GridRow::fromLine(QStringView line, QChar delimiter)
{
    GridRow row;
    qsizetype pos = 0;
    QString text;
    for (int col = 0; col < Columns && pos <= line.size(); ++col) {
        qsizetype tab = line.indexOf(delimiter, pos);
        qsizetype stop = tab < 0 ? line.size() : tab;
        text += line.mid(pos, stop - pos);
        row.m_end[col] = static_cast<quint32>(text.size());
        pos = tab < 0 ? line.size() + 1 : tab + 1;
    }
    for (int col = 1; col < Columns; ++col)
        row.m_end[col] = std::max(row.m_end[col], row.m_end[col - 1]);
    row.m_text = text.isEmpty() ? QString() : text;
    return row;
}
