// The table's undo history and its unsaved-changes state.
#include "TableHistory.h"

#include <QUndoCommand>

namespace {

// One recorded change. It has already happened when it is pushed, so its
// first redo does nothing.
class EditCommand : public QUndoCommand {
public:
    EditCommand(GridModel &model, GridEdit &&edit) : m_model(model), m_edit(std::move(edit)) {}
    int id() const override { return m_edit.kind == GridEdit::Kind::Cell ? 1 : -1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        // Typing writes the cell at every key: the keys of one cell are one step.
        const auto *next = static_cast<const EditCommand *>(other);
        if (next->m_edit.col != m_edit.col || next->m_edit.row != m_edit.row)
            return false;
        m_edit.after = next->m_edit.after;
        setObsolete(m_edit.after == m_edit.before);
        return true;
    }
    void undo() override { m_model.apply(m_edit, true); }
    void redo() override
    {
        if (m_done)
            m_model.apply(m_edit, false);
        m_done = true;
    }

private:
    GridModel &m_model;
    GridEdit m_edit;
    bool m_done = false;
};

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
}

void TableHistory::record(GridEdit &&edit)
{
    if (m_paused)
        return;
    m_stack.push(new EditCommand(m_model, std::move(edit)));
}
