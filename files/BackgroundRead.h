// A workbook's table read on a thread of its own, so that the window stays
// responsive and the user can walk away from a slow file.
#pragma once

#include "table/GridRow.h"

#include <QString>

#include <atomic>
#include <exception>
#include <thread>
#include <vector>

class BackgroundRead {
public:
    // Starts reading the table of the workbook at path, as Open (XLS) reads it.
    explicit BackgroundRead(const QString &path);
    // Waits for the thread: a read the user gave up on still ends before
    // its object goes, but nothing of it is used.
    ~BackgroundRead();
    BackgroundRead(const BackgroundRead &) = delete;
    BackgroundRead &operator=(const BackgroundRead &) = delete;

    bool finished() const { return m_finished.load(std::memory_order_acquire); }
    void wait();
    // The rows once finished; throws what the read threw.
    std::vector<GridRow> takeRows();

private:
    std::vector<GridRow> m_rows;
    std::exception_ptr m_error;
    std::atomic<bool> m_finished{false};
    std::thread m_thread;
};
