// The observation table's data: a header row and data rows of cell texts.
#include "GridModel.h"

#include "HourMarks.h"

#include "TableLimits.h"
#include "app/Errors.h"

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent), m_rows(1) {}

void GridModel::setRowCountWithHeader(int count)
{
    const int wanted = std::max(count, 2) - 1;
    const int have = static_cast<int>(m_rows.size());
    if (wanted > have)
        spliceRows(have, 0, std::vector<GridRow>(static_cast<size_t>(wanted - have)));
    else if (wanted < have)
        spliceRows(wanted, have - wanted, {});
}

void GridModel::checkRowCount(qint64 dataRows)
{
    if (dataRows > TableLimits::MaxRows)
        throw VexlorError(QStringLiteral("The table can hold at most %1 rows; this would make "
                                         "it %2 rows long")
                              .arg(TableLimits::MaxRows)
                              .arg(dataRows));
}

void GridModel::spliceRows(int at, int count, std::vector<GridRow> rows)
{
    const int have = static_cast<int>(m_rows.size());
    at = std::clamp(at, 0, have);
    count = std::clamp(count, 0, have - at);
    checkRowCount(qint64(have) - count + qint64(rows.size()));
    if (count == have && rows.empty())
        rows.resize(1); // the table keeps one data row
    if (count == 0 && rows.empty())
        return;
    GridEdit edit;
    edit.kind = GridEdit::Kind::Rows;
    edit.at = at;
    const auto first = m_rows.begin() + at;
    if (m_recorder) {
        edit.removed.assign(first, first + count);
        edit.inserted = rows;
    }
    if (count > 0) {
        beginRemoveRows({}, at, at + count - 1);
        m_rows.erase(first, first + count);
        endRemoveRows();
    }
    if (!rows.empty()) {
        beginInsertRows({}, at, at + static_cast<int>(rows.size()) - 1);
        m_rows.insert(m_rows.begin() + at, std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
        endInsertRows();
    }
    if (m_rows.capacity() > 2 * m_rows.size() + 64)
        m_rows.shrink_to_fit();
    record(std::move(edit));
}

void GridModel::overwriteRows(int at, std::vector<GridRow> rows)
{
    const int have = static_cast<int>(m_rows.size());
    at = std::clamp(at, 0, have);
    const qint64 reach = qint64(at) + qint64(rows.size());
    checkRowCount(std::max<qint64>(have, reach));
    if (rows.empty())
        return;
    const int overlap = static_cast<int>(std::min<qint64>(qint64(rows.size()), have - at));
    GridEdit edit;
    edit.kind = GridEdit::Kind::Rows;
    edit.at = at;
    if (m_recorder) {
        edit.removed.assign(m_rows.begin() + at, m_rows.begin() + at + overlap);
        edit.inserted = rows; // the texts are shared, not copied
    }
    for (int i = 0; i < overlap; ++i)
        m_rows[size_t(at + i)] = std::move(rows[size_t(i)]);
    if (overlap > 0)
        emit dataChanged(index(at, 0), index(at + overlap - 1, Columns - 1));
    if (rows.size() > size_t(overlap)) {
        beginInsertRows({}, have, static_cast<int>(reach) - 1);
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin() + overlap),
                      std::make_move_iterator(rows.end()));
        endInsertRows();
    }
    record(std::move(edit));
}

void GridModel::apply(const GridEdit &edit, bool undo)
{
    auto recorder = std::move(m_recorder);
    m_recorder = nullptr;
    if (edit.kind == GridEdit::Kind::Cell) {
        setCell(edit.col, edit.row, undo ? edit.before : edit.after);
    } else {
        const auto &out = undo ? edit.inserted : edit.removed;
        const auto &in = undo ? edit.removed : edit.inserted;
        spliceRows(edit.at, static_cast<int>(out.size()), in);
    }
    m_recorder = std::move(recorder);
}

bool GridModel::validCell(int col, int row) const
{
    return col >= 0 && col < Columns && row >= 0 && row < rowCountWithHeader();
}

QString GridModel::cell(int col, int row) const
{
    if (!validCell(col, row))
        return {};
    return row == 0 ? m_header[col] : m_rows[static_cast<size_t>(row - 1)].cell(col);
}

QStringView GridModel::cellView(int col, int row) const
{
    if (!validCell(col, row))
        return {};
    return row == 0 ? QStringView(m_header[col])
                    : m_rows[static_cast<size_t>(row - 1)].cellView(col);
}

void GridModel::setCell(int col, int row, const QString &text)
{
    if (!validCell(col, row))
        return;
    if (row == 0) {
        if (m_header[col] != text) {
            m_header[col] = text;
            emit headerDataChanged(Qt::Horizontal, col, col);
        }
        return;
    }
    GridRow &r = m_rows[static_cast<size_t>(row - 1)];
    if (r.cellView(col) == text)
        return;
    GridEdit edit;
    if (m_recorder) {
        edit.col = col;
        edit.row = row;
        edit.before = r.cell(col);
        edit.after = text;
    }
    r.setCell(col, text);
    QModelIndex i = index(row - 1, col);
    // A mark changes how the whole row shows.
    if (col == HourMarks::Column)
        emit dataChanged(index(row - 1, 0), i, {Qt::DisplayRole, Qt::EditRole});
    else
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    if (m_recorder)
        record(std::move(edit));
}

void GridModel::replaceRows(std::vector<GridRow> rows)
{
    checkRowCount(qint64(rows.size()));
    if (rows.empty())
        rows.resize(1);
    GridEdit edit;
    if (m_recorder) {
        edit.kind = GridEdit::Kind::Rows;
        edit.removed = m_rows;
        edit.inserted = rows;
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
    if (m_recorder)
        record(std::move(edit));
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::ToolTipRole && index.isValid() && markTip) {
        const QStringView mark = cellView(HourMarks::Column, index.row() + 1);
        return HourMarks::isMark(mark) ? QVariant(markTip(mark)) : QVariant();
    }
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return cell(index.column(), index.row() + 1);
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    setCell(index.column(), index.row() + 1, value.toString());
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= Columns)
        return {};
    return m_header[section];
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}
