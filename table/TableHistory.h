// The table's undo history and its unsaved-changes state.
#pragma once

#include "GridModel.h"

#include <QObject>
#include <QPointer>
#include <QUndoStack>

// Records every change of a GridModel as one undo step (consecutive edits of
// one cell, as typing makes them, merge into one), and knows whether the
// table differs from what was last opened, saved or made new: undoing back
// to that state counts as unchanged.
//
// The steps together hold at most byteBudget() bytes of cell texts and rows
// (what they replaced and what replaced it): when a new step takes them
// past it, the oldest steps are forgotten until a quarter of the budget is
// free again. The newest step is always kept, so the last change can be
// undone however large.
class TableHistory : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 DefaultByteBudget = 256LL * 1024 * 1024;

    explicit TableHistory(GridModel &model, QObject *parent = nullptr);
    ~TableHistory() override;

    qint64 byteBudget() const { return m_budget; }
    void setByteBudget(qint64 bytes);
    // The bytes the steps hold now, as the budget counts them.
    qint64 bytes() const;

    QUndoStack &stack() { return m_stack; }
    bool changed() const { return !m_stack.isClean(); }
    // The table as it is now is the saved one.
    void markSaved() { m_stack.setClean(); }
    // Forgets every step (a file opened): the table as it is now is saved.
    void restart();

    // Changes made between begin and end are one step.
    void beginStep(const QString &text)
    {
        ++m_openSteps;
        m_stack.beginMacro(text);
    }
    void endStep()
    {
        m_stack.endMacro();
        --m_openSteps;
        keepWithinBudget();
    }
    // Changes made while paused are not recorded (loading a file).
    void pause(bool paused) { m_paused = paused; }

signals:
    void changedStateChanged(bool changed);

private:
    void record(GridEdit &&edit);
    // Forgets the oldest steps while the steps hold more than the budget.
    void keepWithinBudget();

    GridModel &m_model;
    QPointer<GridModel> m_alive;
    QUndoStack m_stack;
    bool m_paused = false;
    int m_openSteps = 0;
    qint64 m_budget = DefaultByteBudget;
    qint64 m_bound = 0; // at least what the steps hold
};
