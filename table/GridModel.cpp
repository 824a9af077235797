// The observation table's data: a header row and data rows of cell texts.
#include "GridModel.h"

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent), m_rows(1) {}

void GridModel::setRowCountWithHeader(int count)
{
    const int wanted = std::max(count, 2) - 1;
    const int have = static_cast<int>(m_rows.size());
    if (wanted > have) {
        beginInsertRows({}, have, wanted - 1);
        m_rows.resize(static_cast<size_t>(wanted));
        endInsertRows();
    } else if (wanted < have) {
        beginRemoveRows({}, wanted, have - 1);
        m_rows.resize(static_cast<size_t>(wanted));
        m_rows.shrink_to_fit();
        endRemoveRows();
    }
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
    r.setCell(col, text);
    QModelIndex i = index(row - 1, col);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

void GridModel::replaceRows(std::vector<GridRow> rows)
{
    if (rows.empty())
        rows.resize(1);
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
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
