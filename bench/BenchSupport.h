// Helpers shared by the benchmarks: a silent dialog seam, clocks, memory.
#pragma once

#include "app/gui/Dialogs.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <deque>

// Answers file dialogs from a queue and shows nothing.
class BenchDialogs : public Dialogs {
public:
    std::deque<QString> openAnswers, saveAnswers;
    int messages = 0;
    QStringList errors;
    void messageBox(QWidget *, const QString &, const QString &, int) override { ++messages; }
    void errorBox(QWidget *, const QString &text) override { errors << text; }
    std::optional<QString> openFile(QWidget *, const FileDialogState &) override
    {
        return take(openAnswers);
    }
    std::optional<QString> saveFile(QWidget *, const FileDialogState &) override
    {
        return take(saveAnswers);
    }
    QStringList openFiles(QWidget *, const FileDialogState &) override { return {}; }
    std::optional<QString> chooseFolder(QWidget *, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QStringList> editFields(QWidget *, const QString &, const QStringList &,
                                          const QStringList &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QColor> chooseColor(QWidget *, const QColor &) override { return std::nullopt; }
    bool waitFor(QWidget *, const QString &, const QString &,
                 const std::function<bool()> &finished) override
    {
        while (!finished())
            QThread::msleep(1);
        return true;
    }
    SaveChoice askToSave(QWidget *, const QString &, const QString &, const QString &,
                         const QString &, const QString &) override
    {
        return SaveChoice::Discard;
    }

private:
    static std::optional<QString> take(std::deque<QString> &q)
    {
        if (q.empty())
            return std::nullopt;
        QString s = q.front();
        q.pop_front();
        return s;
    }
};

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

inline void report(const char *name, double value)
{
    std::printf("%s %.3f\n", name, value);
    std::fflush(stdout);
}
