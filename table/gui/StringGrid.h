// The observation table widget: a view over GridModel with the grid's events.
#pragma once

#include "table/GridModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

#include <QLineEdit>
class StringGrid;

// Asks the grid before the cursor moves, whether by mouse, keyboard or
// program, and keeps the selection out of refused cells.
class GridSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    GridSelectionModel(QAbstractItemModel *model, StringGrid *grid);
    void setCurrentIndex(const QModelIndex &index,
                         QItemSelectionModel::SelectionFlags command) override;
    void select(const QItemSelection &selection,
                QItemSelectionModel::SelectionFlags command) override;
    using QItemSelectionModel::select;

private:
    StringGrid *m_grid;
};

// Draws every cell through the grid's draw-cell event and provides the
// in-place editor, whose keys go through the grid's key events.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(StringGrid *grid);
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    StringGrid *m_grid;
};

// Row 0 of the grid: drawn through the draw-cell event like the data cells.
class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridHeader(StringGrid *grid);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    StringGrid *m_grid;
};

// The grid as the rest of the program sees it: cells by column and row (row
// 0 the header), the row count with the header, the cursor, the editing
// switch and four events.
class StringGrid : public QTableView {
    Q_OBJECT
public:
    explicit StringGrid(QWidget *parent = nullptr);

    GridModel &model() { return m_model; }
    const GridModel &model() const { return m_model; }

    QString cell(int col, int row) const { return m_model.cell(col, row); }
    void setCell(int col, int row, const QString &text) { m_model.setCell(col, row, text); }
    int colCount() const { return GridModel::Columns; }
    int rowCountWithHeader() const { return m_model.rowCountWithHeader(); }
    void setRowCountWithHeader(int count);
    // Replaces every data row at once; the cursor stays in its column, on
    // its row or the last one, without asking select-cell.
    void replaceRows(std::vector<GridRow> rows);

    int col() const;
    int row() const;
    void setCol(int col);
    void setRow(int row);

    using QTableView::edit;
    bool editing() const { return m_editing; }
    void setEditing(bool on);

    // The rectangle of a cell in the grid's client (viewport) coordinates;
    // row 0 is the header strip above it.
    QRect cellRect(int col, int row) const;
    QColor cellColor() const { return m_cellColor; }
    QColor headerColor() const { return m_headerColor; }

    // The events: select-cell may refuse the move by returning false;
    // key-down gets a virtual key code, key-press a character, which it may
    // set to 0 to discard it.
    std::function<bool(int col, int row)> onSelectCell;
    std::function<void(QPainter &, int col, int row, const QRect &, const QColor &background)>
        onDrawCell;
    std::function<void(int &key)> onKeyDown;
    std::function<void(QChar &ch)> onKeyPress;

    // The open in-place editor, if any.
    QLineEdit *editor() const { return m_editor; }

    // Virtual key codes of the keys the events look at.
    static constexpr int VK_RETURN = 13;
    static constexpr int VK_INSERT = 45;
    static int virtualKey(const QKeyEvent *event);

signals:
    void editingChanged(bool on);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyboardSearch(const QString &search) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
    friend class GridDelegate;
    friend class GridSelectionModel;
    // Runs key-down and key-press for one key; true when the key's
    // character was discarded.
    bool runKeyEvents(QKeyEvent *event);
    void editorOpened(QLineEdit *editor) { m_editor = editor; }

    GridModel m_model;
    GridSelectionModel *m_selection;
    bool m_editing = false;
    QPointer<QLineEdit> m_editor;
    const QKeyEvent *m_keysDone = nullptr; // a key whose events have run already
    QColor m_cellColor;
    QColor m_headerColor;
};
