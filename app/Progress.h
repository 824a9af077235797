// The one progress and cancel object of every long computation.
#pragma once

#include <atomic>
#include <exception>

// Thrown out of a computation that stops because it was cancelled; never
// shown to the user (it is no VexlorError).
class JobCancelled : public std::exception {
public:
    const char *what() const noexcept override { return "cancelled"; }
};

// Shared between the threads that compute and the one that shows the
// progress: the work sets its total and counts what it has done, and looks
// at cancelled() often enough to stop within a fraction of a second; the
// window reads done() and total() and may cancel. Every member is safe to
// use from any thread.
class Progress {
public:
    void setTotal(int total) { m_total.store(total, std::memory_order_relaxed); }
    void setDone(int done) { m_done.store(done, std::memory_order_relaxed); }
    void addDone(int steps = 1) { m_done.fetch_add(steps, std::memory_order_relaxed); }
    int total() const { return m_total.load(std::memory_order_relaxed); }
    int done() const { return m_done.load(std::memory_order_relaxed); }
    // Done as a whole percentage of the total (a total below 1 counts as 1).
    int percent() const
    {
        const int t = total();
        return static_cast<int>(100.0 * done() / (t < 1 ? 1 : t));
    }

    void cancel() { m_cancel.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancel.load(std::memory_order_relaxed); }
    // For loops that can stop anywhere: throws JobCancelled once cancelled.
    void checkCancelled() const
    {
        if (cancelled())
            throw JobCancelled();
    }

private:
    std::atomic<int> m_done{0}, m_total{1};
    std::atomic<bool> m_cancel{false};
};

// The progress of the job running on this thread, for readers deep inside
// a job that take no Progress of their own (the workbook readers): they
// look at its cancel now and then, so that a dropped read stops. Outside a
// job there is none and nothing is ever cancelled.
namespace ThreadProgress {

inline thread_local const Progress *t_current = nullptr;

inline bool cancelled()
{
    return t_current && t_current->cancelled();
}
inline void checkCancelled()
{
    if (cancelled())
        throw JobCancelled();
}
// The same once in every 4096 calls, for the inner loops of a parser.
inline void checkCancelledEvery(unsigned &counter)
{
    if ((++counter & 4095u) == 0)
        checkCancelled();
}

// Makes progress the job of this thread for the scope's life.
class Scope {
public:
    explicit Scope(const Progress &progress) : m_previous(t_current) { t_current = &progress; }
    ~Scope() { t_current = m_previous; }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;

private:
    const Progress *m_previous;
};

} // namespace ThreadProgress
