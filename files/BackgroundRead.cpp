// A workbook's table read on a thread of its own.
#include "BackgroundRead.h"

#include "SheetTable.h"

BackgroundRead::BackgroundRead(const QString &path)
{
    m_thread = std::thread([this, path] {
        try {
            m_rows = SheetTable::load(path);
        } catch (...) {
            m_error = std::current_exception();
        }
        m_finished.store(true, std::memory_order_release);
    });
}

BackgroundRead::~BackgroundRead()
{
    wait();
}

void BackgroundRead::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<GridRow> BackgroundRead::takeRows()
{
    wait();
    if (m_error)
        std::rethrow_exception(m_error);
    return std::move(m_rows);
}
