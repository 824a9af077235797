// Undo and redo, copy and paste, inserting and deleting rows.
#include "TableEditor.h"

#include "StringGrid.h"
#include "app/DateConv.h"
#include "app/Job.h"
#include "table/PasteBlock.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>

TableEditor::TableEditor(StringGrid &grid)
    : QObject(&grid), m_grid(grid), m_history(grid.model(), this)
{
    undo = makeAction({QKeySequence::Undo}, nullptr);
    redo = makeAction(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
        nullptr);
    connect(undo, &QAction::triggered, this, [this] {
        guard([this] {
            finishEditing();
            m_history.stack().undo();
        });
    });
    connect(redo, &QAction::triggered, this, [this] {
        guard([this] {
            finishEditing();
            m_history.stack().redo();
        });
    });
    connect(&m_history.stack(), &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(&m_history.stack(), &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    undo->setEnabled(false);
    redo->setEnabled(false);
    cut = makeAction({QKeySequence::Cut}, &TableEditor::cutSelection);
    copy = makeAction({QKeySequence::Copy}, &TableEditor::copySelection);
    paste = makeAction({QKeySequence::Paste}, &TableEditor::pasteAtCursor);
    // One sequence for the main keyboard's + (Shift and = on many layouts)
    // and the keypad's: Qt matches Ctrl+Shift+= to Ctrl++ by itself, and a
    // second sequence for the same key made the shortcut ambiguous, so that
    // it did nothing.
    insertRow = makeAction({QKeySequence(Qt::CTRL | Qt::Key_Plus)}, &TableEditor::insertRowAbove);
    deleteRows =
        makeAction({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, &TableEditor::deleteSelectedRows);
    markMenu = new QMenu(&m_grid);
    for (HourMarks::Reason reason :
         {HourMarks::Reason::Interference, HourMarks::Reason::SporadicE,
          HourMarks::Reason::TransmitterOff, HourMarks::Reason::OutageAsZero}) {
        QAction *a = markMenu->addAction(QString());
        connect(a, &QAction::triggered, this,
                [this, reason] { guard([&] { markSelectedRows(HourMarks::markText(reason)); }); });
        markReasons.emplace_back(a, reason);
    }
    // Any other reason in the observer's own words.
    markOther = markMenu->addAction(QString());
    connect(markOther, &QAction::triggered, this, [this] {
        guard([&] {
            const std::optional<QString> words = askWords ? askWords() : std::nullopt;
            if (words && !words->simplified().isEmpty())
                markSelectedRows(HourMarks::markText(HourMarks::Reason::Other, *words));
        });
    });
    markHours = new QAction(this);
    markHours->setMenu(markMenu);
    unmarkHours = new QAction(this);
    connect(unmarkHours, &QAction::triggered, this,
            [this] { guard([&] { markSelectedRows(QString()); }); });
    m_grid.setContextMenuPolicy(Qt::ActionsContextMenu);
    for (QAction *a : {undo, redo, cut, copy, paste, insertRow, deleteRows, markHours, unmarkHours})
        m_grid.addAction(a);
    guard = [](const std::function<void()> &work) { work(); };
}

QAction *TableEditor::makeAction(const QList<QKeySequence> &keys, void (TableEditor::*work)())
{
    auto *action = new QAction(this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    if (work)
        connect(action, &QAction::triggered, this,
                [this, work] { guard([&] { (this->*work)(); }); });
    return action;
}

void TableEditor::retranslate(const LanguageTexts &texts)
{
    m_texts = texts;
    const std::pair<QAction *, Text> actions[] = {{undo, Text::Undo},
                                                  {redo, Text::Redo},
                                                  {cut, Text::CutItem},
                                                  {copy, Text::Copy},
                                                  {paste, Text::Paste},
                                                  {insertRow, Text::InsertRow},
                                                  {deleteRows, Text::DeleteRows}};
    for (const auto &[action, text] : actions)
        action->setText(m_texts.text(text));
    markHours->setText(m_texts.text(Text::MarkHoursMenu));
    unmarkHours->setText(m_texts.text(Text::UnmarkHours));
    for (const auto &[action, reason] : markReasons)
        action->setText(HourMarks::describe(HourMarks::markText(reason), m_texts));
    markOther->setText(m_texts.text(Text::MarkOtherReason));
}

void TableEditor::finishEditing()
{
    if (m_grid.editor())
        m_grid.setEditing(m_grid.editing()); // writes and closes the open editor
}

QRect TableEditor::selectedBlock() const
{
    QModelIndexList cells = m_grid.selectionModel()->selectedIndexes();
    if (cells.isEmpty())
        cells << m_grid.currentIndex();
    int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
    for (const QModelIndex &i : cells) {
        top = std::min(top, i.row());
        bottom = std::max(bottom, i.row());
        left = std::min(left, i.column());
        right = std::max(right, i.column());
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void TableEditor::copySelection()
{
    const QRect block = selectedBlock();
    std::vector<QStringList> rows;
    for (int r = block.top(); r <= block.bottom(); ++r) {
        QStringList row;
        for (int c = block.left(); c <= block.right(); ++c)
            row << m_grid.cell(c, r + 1);
        rows.push_back(row);
    }
    QGuiApplication::clipboard()->setText(PasteBlock::format(rows));
}

void TableEditor::cutSelection()
{
    if (!m_grid.editing())
        return;
    finishEditing();
    copySelection();
    const QRect block = selectedBlock();
    m_history.beginStep(m_texts.text(Text::CutItem).remove(u'&'));
    for (int r = block.top(); r <= block.bottom(); ++r)
        for (int c = block.left(); c <= block.right(); ++c)
            m_grid.setCell(c, r + 1, QString());
    m_history.endStep();
}

void TableEditor::pasteAtCursor()
{
    if (m_grid.editing())
        pasteText(QGuiApplication::clipboard()->text());
}

void TableEditor::pasteText(const QString &block)
{
    if (block.isEmpty())
        return;
    finishEditing();
    const int top = m_grid.row(), left = m_grid.col();
    // The block is checked and laid over a copy of the rows it covers as a
    // job while the window waits with Cancel: a block of a million rows
    // takes seconds. A cancelled paste changes nothing.
    const auto &have = m_grid.model().rows();
    const size_t from = std::min(have.size(), size_t(top - 1));
    const size_t to =
        std::min(have.size(), from + size_t(std::max<qint64>(PasteBlock::lineCount(block), 0)));
    struct Laid {
        std::vector<GridRow> rows;
        std::optional<PasteBlock::Problem> problem;
    };
    Job<Laid> job([block, top, left,
                   below = std::vector<GridRow>(have.begin() + qsizetype(from),
                                                have.begin() + qsizetype(to))](Progress &) {
        Laid laid;
        laid.problem = PasteBlock::overlay(block, top, left, below, laid.rows);
        return laid;
    });
    if (wait && !wait([&job] { return job.finished(); }))
        return;
    Laid laid = job.take();
    std::vector<GridRow> &rows = laid.rows;
    if (const auto &problem = laid.problem) {
        static const Text reasonText[] = {Text::PastLastColumn, Text::NotDateOfForm,
                                          Text::NotHourOfDay, Text::NotCount}; // by Problem::Reason
        const QString column =
            problem->col < 13 ? m_grid.cell(problem->col, 0) : QString::number(problem->col + 1);
        QString reason = m_texts.text(reasonText[static_cast<int>(problem->reason)]);
        if (problem->reason == PasteBlock::Problem::Reason::NotDate)
            reason = reason.arg(DateConv::format());
        refuse(
            m_texts.text(Text::PasteRefused).arg(problem->row).arg(column, problem->text, reason));
        return;
    }
    // The rows with the block laid over them go in as one change, one step.
    m_history.beginStep(m_texts.text(Text::Paste));
    m_grid.model().overwriteRows(top - 1, std::move(rows));
    m_history.endStep();
}

void TableEditor::insertRowAbove()
{
    if (!m_grid.editing())
        return;
    finishEditing();
    m_grid.model().spliceRows(m_grid.row() - 1, 0, std::vector<GridRow>(1));
}

void TableEditor::markSelectedRows(const QString &mark)
{
    finishEditing();
    std::vector<int> rows;
    for (const QModelIndex &i : m_grid.selectionModel()->selectedIndexes())
        rows.push_back(i.row() + 1);
    if (rows.empty())
        rows.push_back(m_grid.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    m_history.beginStep(m_texts.text(mark.isEmpty() ? Text::UnmarkHours : Text::MarkHoursMenu));
    for (int row : rows)
        if (row >= 1 && row < m_grid.model().rowCountWithHeader())
            m_grid.model().setCell(HourMarks::Column, row, mark);
    m_history.endStep();
}

void TableEditor::deleteSelectedRows()
{
    if (!m_grid.editing())
        return;
    finishEditing();
    int top = m_grid.row() - 1, bottom = top;
    for (const QModelIndex &i : m_grid.selectionModel()->selectedIndexes()) {
        top = std::min(top, i.row());
        bottom = std::max(bottom, i.row());
    }
    m_grid.model().spliceRows(top, bottom - top + 1, {});
}
