// Several threads running one piece of work side by side.
#pragma once

#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The worker pool of every parallel computation (the search's scores, the
// bootstrap's replicates, the position profile's blocks): count threads
// each run work(), which takes its items from a shared counter until none
// is left. A thread that throws ends; its exception is kept, onFailure (if
// any) is called so that those who wait on the work can look, and join()
// throws it again. The owner tells the work to stop (a Progress's cancel)
// before the pool goes; the destructor only joins.
class WorkerThreads {
public:
    WorkerThreads(int count, const std::function<void()> &work,
                  std::function<void()> onFailure = {});
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads &) = delete;
    WorkerThreads &operator=(const WorkerThreads &) = delete;

    // Waits for every thread; throws the first exception one of them threw.
    void join();
    bool failed() const;

    // The threads the machine runs at once, at least 1; for a request of
    // 0 threads.
    static int available();
    // requested, or available() for 0 or less, and at most `items`, at
    // least 1.
    static int count(int requested, int items);

private:
    std::vector<std::thread> m_threads;
    mutable std::mutex m_mutex;
    std::exception_ptr m_error;
};
