// The table's undo history and its unsaved-changes state.
#include "TableHistory.h"

#include <QUndoCommand>

#include <memory>
#include <vector>

namespace {

// What a change holds in memory, as the budget counts it: the texts it
// replaced and that replaced them, and the rows' own records.
qint64 bytesOf(const GridEdit &edit)
{
    qint64 bytes = qint64(sizeof(GridEdit)) + 2 * (edit.before.size() + edit.after.size());
    for (const std::vector<GridRow> *rows : {&edit.removed, &edit.inserted})
        for (const GridRow &row : *rows) {
            qint64 text = 0;
            for (int c = 0; c < GridRow::Columns; ++c)
                text += row.cellView(c).size();
            bytes += qint64(sizeof(GridRow)) + 2 * text;
        }
    return bytes;
}

// One recorded change. It has already happened when it is pushed, so its
// first redo does nothing.
class EditCommand : public QUndoCommand {
public:
    EditCommand(GridModel &model, GridEdit &&edit)
        : m_model(model), m_edit(std::make_shared<GridEdit>(std::move(edit))),
          m_bytes(bytesOf(*m_edit))
    {
    }
    // A copy of a command that has happened, for the history without its
    // oldest steps: it shares the change, and its first redo does nothing
    // again. It merges with nothing until unsealed.
    EditCommand(const EditCommand &other, QUndoCommand *parent)
        : QUndoCommand(other.text(), parent), m_model(other.m_model), m_edit(other.m_edit),
          m_bytes(other.m_bytes), m_sealed(true)
    {
    }
    int id() const override { return m_edit->kind == GridEdit::Kind::Cell && !m_sealed ? 1 : -1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        // Typing writes the cell at every key: the keys of one cell are one step.
        const auto *next = static_cast<const EditCommand *>(other);
        if (next->m_edit->col != m_edit->col || next->m_edit->row != m_edit->row)
            return false;
        m_edit->after = next->m_edit->after;
        m_bytes = bytesOf(*m_edit);
        setObsolete(m_edit->after == m_edit->before);
        return true;
    }
    void undo() override { m_model.apply(*m_edit, true); }
    void redo() override
    {
        if (m_done)
            m_model.apply(*m_edit, false);
        m_done = true;
    }
    qint64 bytes() const { return m_bytes; }
    void unseal() { m_sealed = false; }

private:
    GridModel &m_model;
    std::shared_ptr<GridEdit> m_edit;
    qint64 m_bytes = 0;
    bool m_done = false;
    bool m_sealed = false;
};

// The bytes of a step: one change, or the changes of a step made of several.
qint64 bytesOf(const QUndoCommand *command)
{
    if (const auto *edit = dynamic_cast<const EditCommand *>(command))
        return edit->bytes();
    qint64 bytes = 0;
    for (int i = 0; i < command->childCount(); ++i)
        bytes += bytesOf(command->child(i));
    return bytes;
}

// A copy of a step that shares its changes; the copies of changes are
// collected for unsealing.
QUndoCommand *copyOf(const QUndoCommand *command, QUndoCommand *parent,
                     std::vector<EditCommand *> &edits)
{
    if (const auto *edit = dynamic_cast<const EditCommand *>(command)) {
        auto *copy = new EditCommand(*edit, parent);
        edits.push_back(copy);
        return copy;
    }
    auto *copy = new QUndoCommand(command->text(), parent);
    for (int i = 0; i < command->childCount(); ++i)
        copyOf(command->child(i), copy, edits);
    return copy;
}

} // namespace

TableHistory::TableHistory(GridModel &model, QObject *parent)
    : QObject(parent), m_model(model), m_alive(&model)
{
    m_model.setRecorder([this](GridEdit &&edit) { record(std::move(edit)); });
    connect(&m_stack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit changedStateChanged(!clean); });
}

TableHistory::~TableHistory()
{
    // The model may have gone first (the grid that holds both ends).
    if (m_alive)
        m_model.setRecorder(nullptr);
}

void TableHistory::restart()
{
    m_stack.clear(); // clean afterwards, and says so when it was not
    m_bound = 0;
}

void TableHistory::setByteBudget(qint64 bytes)
{
    m_budget = bytes;
    m_bound = this->bytes();
    keepWithinBudget();
}

qint64 TableHistory::bytes() const
{
    qint64 total = 0;
    for (int i = 0; i < m_stack.count(); ++i)
        total += bytesOf(m_stack.command(i));
    return total;
}

void TableHistory::record(GridEdit &&edit)
{
    if (m_paused)
        return;
    auto *command = new EditCommand(m_model, std::move(edit));
    // An upper bound of what the steps hold: QUndoStack deletes steps on
    // its own (merged, undone ones on a push), which only lowers the truth.
    m_bound += command->bytes();
    m_stack.push(command);
    if (m_openSteps == 0)
        keepWithinBudget();
}

void TableHistory::keepWithinBudget()
{
    // Only between steps, and only with nothing to redo (as after a push).
    const int count = m_stack.count();
    if (m_openSteps > 0 || count < 2 || m_stack.index() != count || m_bound <= m_budget)
        return;
    // Counted exactly only when the bound passes the budget, and then the
    // oldest steps go until a quarter of the budget is free, so that a long
    // run of small steps is not counted anew at each one.
    qint64 total = bytes();
    m_bound = total;
    if (total <= m_budget)
        return;
    int drop = 0;
    while (total > m_budget - m_budget / 4 && drop < count - 1)
        total -= bytesOf(m_stack.command(drop++));
    m_bound = total;
    // QUndoStack forgets only from its end: the steps that stay are copied,
    // the stack emptied and the copies pushed again (their redo does nothing),
    // the saved state put back where it was. Its signals wait: to the window
    // the history is as it was, less its oldest steps.
    const int clean = m_stack.cleanIndex();
    std::vector<QUndoCommand *> kept;
    std::vector<EditCommand *> edits;
    for (int i = drop; i < count; ++i)
        kept.push_back(copyOf(m_stack.command(i), nullptr, edits));
    const bool blocked = m_stack.blockSignals(true);
    m_stack.clear();
    for (size_t i = 0; i < kept.size(); ++i) {
        if (clean - drop == int(i))
            m_stack.setClean();
        m_stack.push(kept[i]);
    }
    if (clean - drop == int(kept.size()))
        m_stack.setClean();
    else if (clean < drop)
        m_stack.resetClean(); // the saved state is among the forgotten steps
    m_stack.blockSignals(blocked);
    for (EditCommand *e : edits)
        e->unseal();
}
