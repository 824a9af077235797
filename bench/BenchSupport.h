// Helpers shared by the benchmarks: clocks, memory, the offscreen platform.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <cstdio>

// Resident memory of this process in megabytes.
inline double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    return -1;
}

// Benchmarks draw offscreen unless told otherwise; call before QApplication.
inline void useOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The offscreen platform warns at every window that it cannot pass size
// hints on; the figures are easier to read without it.
inline void quietOffscreenWarnings()
{
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (!text.contains(QLatin1String("propagateSizeHints")) && previous)
                previous(type, context, text);
        });
}

// The most resident memory of this process so far, in megabytes.
inline double peakResidentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    return -1;
}

inline void report(const char *name, double value)
{
    std::printf("%s %.3f\n", name, value);
    std::fflush(stdout);
}

// Cancels a job start() started after half a second of work, tries times:
// the worst seconds from the cancel until the job has ended (the page's
// Cancel, a new Run, the window closing).
template <class Start> double worstCancelToEnd(int tries, Start start)
{
    double worst = 0;
    for (int i = 0; i < tries; ++i) {
        auto running = start();
        QThread::msleep(500);
        QElapsedTimer since;
        since.start();
        running->cancel();
        running->wait();
        worst = std::max(worst, since.nsecsElapsed() / 1e9);
    }
    return worst;
}
