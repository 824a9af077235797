// The observation table widget: a view over GridModel with the grid's events.
#include "StringGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>

// ---- selection model ------------------------------------------------------

GridSelectionModel::GridSelectionModel(QAbstractItemModel *model, StringGrid *grid)
    : QItemSelectionModel(model, grid), m_grid(grid)
{
}

void GridSelectionModel::setCurrentIndex(const QModelIndex &index,
                                         QItemSelectionModel::SelectionFlags command)
{
    // Only a real move asks; Qt also sets the current index it already has.
    if (index.isValid() && index != currentIndex() && m_grid->onSelectCell &&
        !m_grid->onSelectCell(index.column(), index.row() + 1))
        return;
    QItemSelectionModel::setCurrentIndex(index, command);
}

void GridSelectionModel::select(const QItemSelection &selection,
                                QItemSelectionModel::SelectionFlags command)
{
    // The last column can never be entered, so it is never selected either;
    // a selection of nothing but that column (a refused click there) leaves
    // the selection as it was.
    const int last = GridModel::Columns - 1;
    QItemSelection kept;
    for (const QItemSelectionRange &range : selection) {
        if (range.left() >= last)
            continue;
        int right = std::min(range.right(), last - 1);
        kept.append(QItemSelectionRange(model()->index(range.top(), range.left()),
                                        model()->index(range.bottom(), right)));
    }
    if (kept.isEmpty() && !selection.isEmpty())
        return;
    QItemSelectionModel::select(kept, command);
}

// ---- delegate -------------------------------------------------------------

GridDelegate::GridDelegate(StringGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

void GridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    QColor background = selected ? option.palette.highlight().color() : m_grid->cellColor();
    painter->save();
    painter->setFont(option.font);
    painter->setPen(selected ? option.palette.highlightedText().color() : QColor(Qt::black));
    if (m_grid->onDrawCell)
        m_grid->onDrawCell(*painter, index.column(), index.row() + 1, option.rect, background);
    painter->restore();
}

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                    const QModelIndex &index) const
{
    auto *editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Typed characters are filtered by the key-press event; paste, drop and
    // the middle button reach the editor another way, so the editor itself
    // takes nothing but digits, and offers no context menu to paste from.
    editor->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), editor));
    editor->setContextMenuPolicy(Qt::NoContextMenu);
    // The editor writes its text into the cell at every change, so that the
    // cell always holds what has been typed so far.
    QPersistentModelIndex cell(index);
    GridModel *model = &m_grid->model();
    connect(editor, &QLineEdit::textEdited, editor, [model, cell](const QString &text) {
        if (cell.isValid())
            model->setCell(cell.column(), cell.row() + 1, text);
    });
    m_grid->editorOpened(editor);
    return editor;
}

void GridDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    if (static_cast<QWidget *>(m_grid->m_editor.data()) == editor)
        m_grid->m_editor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    // Called when the editor opens and whenever its cell is written. A write
    // from elsewhere reloads the editor with the whole new text selected, so
    // that the next character replaces it; the editor's own write changes
    // nothing.
    auto *lineEdit = static_cast<QLineEdit *>(editor);
    QString text = index.data(Qt::EditRole).toString();
    if (lineEdit->text() == text)
        return;
    lineEdit->setText(text);
    lineEdit->selectAll();
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                const QModelIndex &index) const
{
    model->setData(index, static_cast<QLineEdit *>(editor)->text(), Qt::EditRole);
}

bool GridDelegate::eventFilter(QObject *object, QEvent *event)
{
    // Undo and redo are the table's, also while a cell is being typed in:
    // the editor must not take their keys for its own undo.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y))
            return true; // not accepted: the window's shortcut takes it
    }
    if (event->type() != QEvent::KeyPress)
        return QStyledItemDelegate::eventFilter(object, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key == m_grid->m_keysDone)
        return QStyledItemDelegate::eventFilter(object, event);

    const bool discarded = m_grid->runKeyEvents(key);
    if (static_cast<QObject *>(m_grid->m_editor.data()) !=
        object) // the key moved the cursor and closed the editor
        return true;
    if (discarded && key->key() != Qt::Key_Escape)
        return true;
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return true; // Tab does not move between cells
    // Deliver the key now, marked as done, so that neither this filter nor
    // the grid (should the editor pass it on) runs its events again.
    const QKeyEvent *outer = m_grid->m_keysDone;
    m_grid->m_keysDone = key;
    QCoreApplication::sendEvent(object, key);
    m_grid->m_keysDone = outer;
    return true;
}

// ---- header ---------------------------------------------------------------

GridHeader::GridHeader(StringGrid *grid) : QHeaderView(Qt::Horizontal, grid), m_grid(grid) {}

void GridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    painter->setPen(Qt::black);
    if (m_grid->onDrawCell)
        m_grid->onDrawCell(*painter, logicalIndex, 0, rect, m_grid->headerColor());
    painter->setPen(QColor(Qt::gray));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->restore();
}

// ---- grid -----------------------------------------------------------------

StringGrid::StringGrid(QWidget *parent)
    : QTableView(parent), m_cellColor(255, 255, 170), m_headerColor(Qt::yellow)
{
    setHorizontalHeader(new GridHeader(this));
    setModel(&m_model);
    m_selection = new GridSelectionModel(&m_model, this);
    QItemSelectionModel *old = selectionModel();
    setSelectionModel(m_selection);
    delete old;
    setItemDelegate(new GridDelegate(this));

    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setFixedHeight(20);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(20);

    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    const int widths[GridModel::Columns] = {101, 45, 50, 47, 48, 50, 48,
                                            64,  64, 64, 64, 64, 64, 587};
    for (int c = 0; c < GridModel::Columns; ++c)
        setColumnWidth(c, widths[c]);

    m_selection->QItemSelectionModel::setCurrentIndex(m_model.index(0, 0),
                                                      QItemSelectionModel::ClearAndSelect);
}

void StringGrid::setRowCountWithHeader(int count)
{
    m_model.setRowCountWithHeader(count);
}

void StringGrid::replaceRows(std::vector<GridRow> rows)
{
    const int oldCol = col();
    const int oldRow = row();
    m_model.replaceRows(std::move(rows));
    const int newRow = std::min(oldRow, m_model.rowCountWithHeader() - 1);
    m_selection->QItemSelectionModel::setCurrentIndex(m_model.index(newRow - 1, oldCol),
                                                      QItemSelectionModel::ClearAndSelect);
}

int StringGrid::col() const
{
    QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : 0;
}

int StringGrid::row() const
{
    QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + 1 : 1;
}

void StringGrid::setCol(int col)
{
    m_selection->setCurrentIndex(m_model.index(row() - 1, col),
                                 QItemSelectionModel::ClearAndSelect);
}

void StringGrid::setRow(int row)
{
    m_selection->setCurrentIndex(m_model.index(row - 1, col()),
                                 QItemSelectionModel::ClearAndSelect);
}

void StringGrid::setEditing(bool on)
{
    const bool changed = m_editing != on;
    m_editing = on;
    if (changed)
        emit editingChanged(on);
    if (!on && m_editor)
        closeEditor(m_editor, QAbstractItemDelegate::SubmitModelCache);
    setEditTriggers(on ? (QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed)
                       : QAbstractItemView::NoEditTriggers);
}

QRect StringGrid::cellRect(int col, int row) const
{
    if (row == 0) {
        const QHeaderView *h = horizontalHeader();
        return QRect(h->sectionViewportPosition(col), -h->height(), h->sectionSize(col),
                     h->height());
    }
    return visualRect(m_model.index(row - 1, col));
}

int StringGrid::virtualKey(const QKeyEvent *event)
{
    // Only the keys the handlers look at have a virtual key; Qt's codes of
    // other keys would read as the wrong ones (Qt::Key_Minus is 45, the
    // code of VK_INSERT).
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Insert:
        return VK_INSERT;
    default:
        return 0;
    }
}

bool StringGrid::runKeyEvents(QKeyEvent *event)
{
    int key = virtualKey(event);
    if (key != 0 && onKeyDown)
        onKeyDown(key);
    const QString text = event->text();
    // Delete carries the character 127 on X11; it is an editing key, as are
    // the keys that carry no character, not something typed into the cell.
    if (text.isEmpty() || text.front() == QChar(0x7F))
        return false;
    QChar ch = text.front();
    if (onKeyPress)
        onKeyPress(ch);
    return ch.isNull();
}

void StringGrid::keyPressEvent(QKeyEvent *event)
{
    if (event != m_keysDone) {
        const bool discarded = runKeyEvents(event);
        if (discarded && event->key() != Qt::Key_Escape) {
            event->accept();
            return;
        }
    }
    // The toolkit's own handling follows; an editor it opens for this key
    // gets the key without running the events a second time.
    const QKeyEvent *outer = m_keysDone;
    m_keysDone = event;
    QTableView::keyPressEvent(event);
    m_keysDone = outer;
}

void StringGrid::keyboardSearch(const QString &)
{
    // Typed characters never move the cursor to a row that starts with them.
}

bool StringGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (!m_editing)
        return false;
    return QTableView::edit(index, trigger, event);
}
