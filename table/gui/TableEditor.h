// What a table editor has beyond typing: undo and redo, copy and paste,
// inserting and deleting rows, from keys and from the grid's context menu.
#pragma once

#include "app/LanguageTexts.h"
#include "table/HourMarks.h"
#include "table/TableHistory.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class StringGrid;

class TableEditor : public QObject {
    Q_OBJECT
public:
    explicit TableEditor(StringGrid &grid);

    TableHistory &history() { return m_history; }

    // The box that shows a refusal; set by the window.
    std::function<void(const QString &)> refuse;
    // Waits for long work (a large paste) in the window's box with Cancel
    // until finished() says it has ended; false when cancelled. Unset, the
    // editor waits without a box.
    std::function<bool(const std::function<bool()> &finished)> wait;
    // Runs an action's work the way the window runs its handlers.
    std::function<void(const std::function<void()> &)> guard;

    QAction *undo, *redo, *cut, *copy, *paste, *insertRow, *deleteRows;
    // Marking the selected rows' hours as disturbed, by reason, and
    // unmarking them; each is one step of the history. markHours carries
    // the menu of reasons (for the context menu and the window's menu).
    QAction *markHours, *unmarkHours;
    QMenu *markMenu;
    std::vector<std::pair<QAction *, HourMarks::Reason>> markReasons;
    // Another reason: the words askWords gives (nullopt when cancelled);
    // nothing is marked without words.
    QAction *markOther;
    std::function<std::optional<QString>()> askWords;
    // Sets the actions' texts in the language applied.
    void retranslate(const LanguageTexts &texts);

    void copySelection();
    // Copies the selection and empties its cells, one step of the history
    // (editing on).
    void cutSelection();
    // Pastes the clipboard's tab-separated cells at the cursor (editing on).
    void pasteAtCursor();
    // Puts an empty row above the cursor's (editing on).
    void insertRowAbove();
    // Removes the rows of the selection, or the cursor's (editing on).
    void deleteSelectedRows();
    // Pastes a block as pasteAtCursor does; public for the tests.
    void pasteText(const QString &block);
    // Sets (or, with an empty text, clears) the mark of the selected rows,
    // or of the cursor's row, as one step.
    void markSelectedRows(const QString &mark);

private:
    QAction *makeAction(const QList<QKeySequence> &keys, void (TableEditor::*work)());
    // The editor's text is in the cell already; it closes before a command.
    void finishEditing();
    // The selected cells, or the cursor's: top, left, bottom, right (rows
    // of the model, from 0).
    QRect selectedBlock() const;

    using Text = LanguageTexts::Text;
    LanguageTexts m_texts;
    StringGrid &m_grid;
    TableHistory m_history;
};
