// The observation table's data: a header row and data rows of cell texts.
#pragma once

#include "GridRow.h"

#include <QAbstractTableModel>
#include <array>
#include <vector>

// Rows are numbered as the table shows them: row 0 is the header, rows 1 to
// rowCountWithHeader() - 1 hold data. As a Qt model only the data rows are
// rows; the header texts are the horizontal header.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int Columns = GridRow::Columns;

    explicit GridModel(QObject *parent = nullptr);

    int rowCountWithHeader() const { return static_cast<int>(m_rows.size()) + 1; }
    // Keeps the remaining rows; new rows are empty; never fewer than 2.
    void setRowCountWithHeader(int count);

    QString cell(int col, int row) const;
    QStringView cellView(int col, int row) const;
    void setCell(int col, int row, const QString &text);

    // Replaces every data row at once (file loading).
    void replaceRows(std::vector<GridRow> rows);
    const std::vector<GridRow> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    bool validCell(int col, int row) const;

    std::array<QString, Columns> m_header;
    std::vector<GridRow> m_rows;
};
