// Linked into the tests of the ThreadSanitizer build only. Qt Gui converts
// and scales pictures on the threads of Qt's global thread pool and hands
// the work over through Qt's own futex-based locks, which ThreadSanitizer
// cannot see in Debian's uninstrumented Qt: every picture drawn would be
// reported as a race between the pool and the main thread. The program runs
// nothing on that pool (its workers are std::threads), so the pool's
// threads are told to be ignored, once each, as the application starts;
// every thread of the program's own is watched all along.
#include <QCoreApplication>
#include <QThreadPool>

#include <latch>

extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();

namespace {

// Watched again as the thread ends: a thread must not finish while ignored.
struct IgnoredUntilExit {
    IgnoredUntilExit() { __tsan_ignore_thread_begin(); }
    ~IgnoredUntilExit() { __tsan_ignore_thread_end(); }
};

// Runs once on every thread of Qt's global pool: each task waits until all
// have arrived, so each runs on a thread of its own. The task holds one
// pointer, kept inside the std::function, so the pool frees nothing of ours.
void ignoreQtPoolThreads()
{
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1); // the same threads all along
    // The latch outlives this function on purpose: a task may still be
    // reading it after the last arrival has let this thread go on, and a
    // latch on this stack would then be a dead one that never opens.
    auto *arrived = new std::latch(pool->maxThreadCount());
    for (int t = 0; t < pool->maxThreadCount(); ++t)
        pool->start([arrived] {
            thread_local IgnoredUntilExit ignored;
            static_cast<void>(ignored);
            arrived->arrive_and_wait();
        });
    arrived->wait();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(ignoreQtPoolThreads)
