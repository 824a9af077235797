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
class TableHistory : public QObject {
    Q_OBJECT
public:
    explicit TableHistory(GridModel &model, QObject *parent = nullptr);
    ~TableHistory() override;

    QUndoStack &stack() { return m_stack; }
    bool changed() const { return !m_stack.isClean(); }
    // The table as it is now is the saved one.
    void markSaved() { m_stack.setClean(); }
    // Forgets every step (a file opened): the table as it is now is saved.
    void restart();

    // Changes made between begin and end are one step.
    void beginStep(const QString &text) { m_stack.beginMacro(text); }
    void endStep() { m_stack.endMacro(); }
    // Changes made while paused are not recorded (loading a file).
    void pause(bool paused) { m_paused = paused; }

signals:
    void changedStateChanged(bool changed);

private:
    void record(GridEdit &&edit);

    GridModel &m_model;
    QPointer<GridModel> m_alive;
    QUndoStack m_stack;
    bool m_paused = false;
};
