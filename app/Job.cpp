// The threads of the jobs.
#include "Job.h"

#include <QCoreApplication>

#include <thread>

namespace JobThreads {

namespace {

// The job threads still running. A job's owner never waits for its
// thread; the process does, once, when its application object goes, so
// that no job is still at work while Qt takes itself down.
struct Running {
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;
    bool hooked = false;
};

Running &running()
{
    static Running r;
    return r;
}

} // namespace

void start(std::function<void()> run)
{
    Running &r = running();
    {
        std::lock_guard lock(r.mutex);
        ++r.count;
        if (!r.hooked && QCoreApplication::instance()) {
            qAddPostRoutine(&waitForAll);
            r.hooked = true;
        }
    }
    std::thread([run = std::move(run)]() mutable {
        run();
        run = nullptr; // the work and what it holds go before the count falls
        Running &r = running();
        std::lock_guard lock(r.mutex);
        --r.count;
        // Notified under the lock: the waiter may return and the process end
        // as soon as it sees the count fall.
        r.ended.notify_all();
    }).detach();
}

void waitForAll()
{
    Running &r = running();
    std::unique_lock lock(r.mutex);
    r.ended.wait(lock, [&] { return r.count == 0; });
    r.hooked = false;
}

} // namespace JobThreads
