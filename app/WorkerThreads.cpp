// Several threads running one piece of work side by side.
#include "WorkerThreads.h"

#include <algorithm>

WorkerThreads::WorkerThreads(int count, const std::function<void()> &work,
                             std::function<void()> onFailure)
{
    m_threads.reserve(static_cast<size_t>(std::max(0, count)));
    for (int t = 0; t < count; ++t)
        m_threads.emplace_back([this, work, onFailure] {
            try {
                work();
            } catch (...) {
                {
                    std::lock_guard lock(m_mutex);
                    if (!m_error)
                        m_error = std::current_exception();
                }
                if (onFailure)
                    onFailure();
            }
        });
}

WorkerThreads::~WorkerThreads()
{
    for (std::thread &t : m_threads)
        if (t.joinable())
            t.join();
}

void WorkerThreads::join()
{
    for (std::thread &t : m_threads)
        if (t.joinable())
            t.join();
    std::lock_guard lock(m_mutex);
    if (m_error)
        std::rethrow_exception(m_error);
}

bool WorkerThreads::failed() const
{
    std::lock_guard lock(m_mutex);
    return m_error != nullptr;
}

int WorkerThreads::available()
{
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

int WorkerThreads::count(int requested, int items)
{
    return std::max(1, std::min(requested <= 0 ? available() : requested, items));
}
