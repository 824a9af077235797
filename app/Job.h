// One computation on a thread of its own: the way every long piece of work
// leaves the GUI thread.
#pragma once

#include "Progress.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace JobThreads {
// Starts run() on a detached thread that the process counts until it ends.
void start(std::function<void()> run);
// Waits until every job thread has ended: at the end of the process (it
// runs by itself when the application object goes), never while a window
// is shown.
void waitForAll();
} // namespace JobThreads

// work(progress) runs on a thread of its own; the job keeps its result or
// the exception it threw. The owner polls finished() (the window from a
// timer or a waiting dialog, without blocking), reads the progress, and
// may cancel. A job its owner drops is cancelled and left to end on its
// own: nothing waits for it then, so a cancelled job never holds up the
// GUI thread; its work, which owns copies of its data, stops as soon as it
// sees the cancel.
template <class T> class Job {
public:
    explicit Job(std::function<T(Progress &)> work) : m_state(std::make_shared<State>())
    {
        JobThreads::start([state = m_state, work = std::move(work)] {
            const ThreadProgress::Scope scope(state->progress);
            try {
                T result = work(state->progress);
                std::lock_guard lock(state->mutex);
                state->result.emplace(std::move(result));
            } catch (...) {
                std::lock_guard lock(state->mutex);
                state->error = std::current_exception();
            }
            {
                std::lock_guard lock(state->mutex);
                state->finished = true;
            }
            state->changed.notify_all();
        });
    }
    ~Job() { cancel(); }
    Job(const Job &) = delete;
    Job &operator=(const Job &) = delete;

    Progress &progress() { return m_state->progress; }
    const Progress &progress() const { return m_state->progress; }
    void cancel() { m_state->progress.cancel(); }

    bool finished() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->finished;
    }
    // Waits at most `timeout` for the end; true when finished.
    bool waitFor(std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(m_state->mutex);
        return m_state->changed.wait_for(lock, timeout, [&] { return m_state->finished; });
    }
    // Waits for the end (the command line and the tests).
    void wait() const
    {
        std::unique_lock lock(m_state->mutex);
        m_state->changed.wait(lock, [&] { return m_state->finished; });
    }
    // The result, once finished (waiting for it otherwise); throws what the
    // work threw.
    T take()
    {
        wait();
        std::lock_guard lock(m_state->mutex);
        if (m_state->error)
            std::rethrow_exception(m_state->error);
        return std::move(*m_state->result);
    }

private:
    struct State {
        Progress progress;
        std::mutex mutex;
        std::condition_variable changed;
        bool finished = false;
        std::optional<T> result;
        std::exception_ptr error;
    };
    std::shared_ptr<State> m_state;
};

// Runs work as a job and asks keepGoing(progress) on the calling thread
// after every `interval` (or the job's end, if sooner) until it has ended,
// at least once; false cancels it. Returns its result (or throws what it
// threw) only once it has ended, also when keepGoing throws, so that work
// may use the caller's data by reference.
template <class T>
T runPolled(std::function<T(Progress &)> work,
            const std::function<bool(const Progress &)> &keepGoing,
            std::chrono::milliseconds interval)
{
    Job<T> job(std::move(work));
    try {
        for (bool ended = false; !ended;) {
            ended = job.waitFor(interval);
            if (!keepGoing(job.progress()))
                job.cancel();
        }
    } catch (...) {
        job.cancel();
        job.wait();
        throw;
    }
    return job.take();
}
