// The observation table's data: a header row and data rows of cell texts.
#pragma once

#include "GridRow.h"

#include <QAbstractTableModel>
#include <array>
#include <functional>
#include <vector>

// One change of the data rows, with what it replaced, so that it can be
// undone: a cell's text, or a run of rows replaced by others (rows added,
// removed, or the whole table at once). Rows count from 0 here.
struct GridEdit {
    enum class Kind { Cell, Rows };
    Kind kind = Kind::Cell;
    int col = 0, row = 0; // Cell: the cell, row as the table counts (from 1)
    QString before, after;
    int at = 0; // Rows: the first data row replaced
    std::vector<GridRow> removed, inserted;
};

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

    // Throws VexlorError, before anything changes, when the table would
    // hold more than TableLimits::MaxRows data rows. Every change that adds
    // rows checks it; a command that changes the table in several steps
    // checks first.
    static void checkRowCount(qint64 dataRows);

    QString cell(int col, int row) const;
    QStringView cellView(int col, int row) const;
    void setCell(int col, int row, const QString &text);

    // Replaces every data row at once (file loading).
    void replaceRows(std::vector<GridRow> rows);
    // Replaces count data rows from at (counted from 0) by rows; never
    // leaves fewer than one data row.
    void spliceRows(int at, int count, std::vector<GridRow> rows);
    // Lays rows over the data rows from at (counted from 0) on, the table
    // growing where they reach past its end: one change (a paste), recorded
    // as the rows it replaced, with the rows keeping their places.
    void overwriteRows(int at, std::vector<GridRow> rows);
    // Undoes or redoes a recorded change, without recording it again.
    void apply(const GridEdit &edit, bool undo);

    // Receives every change of the data rows while set (the undo history).
    void setRecorder(std::function<void(GridEdit &&)> recorder)
    {
        m_recorder = std::move(recorder);
    }
    const std::vector<GridRow> &rows() const { return m_rows; }
    // The tooltip of a marked row's cells from its mark (set by the window).
    std::function<QString(QStringView mark)> markTip;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    bool validCell(int col, int row) const;

    void record(GridEdit &&edit)
    {
        if (m_recorder)
            m_recorder(std::move(edit));
    }

    std::array<QString, Columns> m_header;
    std::function<void(GridEdit &&)> m_recorder;
    std::vector<GridRow> m_rows;
};
