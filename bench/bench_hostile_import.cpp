// Crafted count files given to Import, each read in a child process of its
// own so that its peak memory is its alone: monthly tables of one day line
// repeated, tens of megabytes of bare line ends, commas or '|', and the CSV
// line of blanks, a letter and quotes that once took quadratic time.
// Prints time, peak memory and whether the file was refused (1), read (0) or
// ran out of the 3 GB the child may have (2). Names given as arguments
// choose the cases to run.
#include "BenchSupport.h"
#include "app/DateConv.h"
#include "files/ObserverFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTimeZone>

#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
    return f.fileName();
}

// A monthly table of August 2024 whose day line 01 is repeated until the
// file holds about bytes bytes.
QByteArray repeatedDays(qint64 bytes)
{
    QByteArray out = "aug|";
    for (int h = 0; h < 24; ++h)
        out += QString::asprintf(" %02dh|", h).toLatin1();
    out += "\r\n";
    QByteArray day = "01|";
    for (int h = 0; h < 24; ++h)
        day += QString::asprintf("%4d|", 100 + h).toLatin1();
    day += "\r\n";
    out.reserve(bytes + day.size());
    while (out.size() < bytes)
        out += day;
    return out;
}

// As many distinct hours as the table holds rows, one per line, the fields
// joined by separator, with a last field of noteLength characters when not 0.
QByteArray hourLines(char16_t separator, int noteLength)
{
    const char sep = char(separator);
    QByteArray out = sep == ',' ? QByteArray("Date,Hour,Sum,Note\n") : QByteArray();
    const QByteArray note(noteLength, 'n');
    out.reserve(qsizetype(ObserverFiles::MaxHours) * (30 + noteLength));
    const QDate start(1990, 1, 1);
    for (qsizetype k = 0; k < ObserverFiles::MaxHours; ++k) {
        out += start.addDays(k / 24).toString(QStringLiteral("dd.MM.yyyy")).toLatin1() + sep +
               QByteArray::number(k % 24) + sep + QByteArray::number(k % 97);
        if (noteLength > 0)
            out += sep + note;
        out += '\n';
    }
    return out;
}

// A log of echoes of the most lines read, 500 echoes an hour, and one line
// more than that when over is true (refused).
QByteArray echoLines(bool over)
{
    const qsizetype lines = qsizetype(ObserverFiles::MaxEchoLines) + (over ? 1 : 0);
    QByteArray out;
    out.reserve(lines * 20);
    const QDateTime start(QDate(2020, 1, 1), QTime(0, 0), QTimeZone::utc());
    for (qsizetype k = 0; k < lines; ++k)
        out += start.addSecs(k * 7).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss\n")).toLatin1();
    return out;
}

// Imports the file in a child; reports its time, its peak memory and
// whether it was refused.
void measure(const char *name, const QString &path)
{
    QElapsedTimer t;
    t.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A child that would need more than 3 GB stops with "out of memory"
        // (2) instead of taking the machine's memory.
        const rlimit cap{3 * 1024 * 1024 * 1024LL, 3 * 1024 * 1024 * 1024LL};
        ::setrlimit(RLIMIT_AS, &cap);
        int refused = 0;
        try {
            ObserverFiles::import({path});
        } catch (const ObserverFiles::EImportError &) {
            refused = 1;
        } catch (const std::bad_alloc &) {
            refused = 2;
        }
        _exit(refused);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const QByteArray prefix(name);
    report((prefix + "_s").constData(), t.nsecsElapsed() / 1e9);
    report((prefix + "_peak_mb").constData(), usage.ru_maxrss / 1024.0);
    report((prefix + "_refused").constData(), WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
    // The parent's own memory, for reading the children's figures.
    report("parent_mb", residentMegabytes());
    QTemporaryDir dir;
    const qint64 mb = 1024 * 1024;
    // Each file is made, written and let go before its child starts, so
    // that the child inherits none of it.
    struct Case {
        const char *name;
        const char *file;
        std::function<QByteArray()> bytes;
    };
    const auto quotes = [](int n) {
        return [n] {
            return "Date,Hour,Sum\n" + QByteArray(n, ' ') + 'x' + QByteArray(n, '"') + '\n';
        };
    };
    const Case cases[] = {
        {"monthly_2_5mb", "A_082024rmob.TXT", [&] { return repeatedDays(5 * mb / 2); }},
        {"monthly_10mb", "B_082024rmob.TXT", [&] { return repeatedDays(10 * mb); }},
        {"monthly_53mb", "C_082024rmob.TXT", [&] { return repeatedDays(53 * mb); }},
        {"line_ends_50mb", "lines.txt", [&] { return QByteArray(50 * mb, '\n'); }},
        {"commas_50mb", "commas.csv", [&] { return QByteArray(50 * mb, ','); }},
        {"bars_50mb", "bars.txt", [&] { return QByteArray(50 * mb, '|'); }},
        {"bars_in_a_table_50mb", "D_082024rmob.TXT",
         [&] { return "aug| 00h|\n01|" + QByteArray(50 * mb, '|') + '\n'; }},
        {"csv_quotes_200kb", "q200.csv", quotes(100 * 1024)},
        {"csv_quotes_400kb", "q400.csv", quotes(200 * 1024)},
        {"csv_quotes_900kb", "q900.csv", quotes(450 * 1024)},
        // The largest imports that are read: a full table's hours, and a
        // CSV of as many lines with a note column, just under the size cap.
        {"own_layout_full_table", "full.txt", [] { return hourLines(u'\t', 0); }},
        {"csv_full_table_500mb", "wide.csv", [] { return hourLines(u',', 480); }},
        // A log of echoes of the most lines read, and of one more.
        {"echo_log_max_lines", "echoes.log", [] { return echoLines(false); }},
        {"echo_log_over_lines", "more.log", [] { return echoLines(true); }},
    };
    const QByteArrayList only =
        QCoreApplication::arguments().mid(1).join(u' ').toLatin1().split(' ');
    for (const Case &c : cases) {
        if (!only.front().isEmpty() && !only.contains(c.name))
            continue;
        const QString path = writeFile(dir, QLatin1String(c.file), c.bytes());
        measure(c.name, path);
        QFile::remove(path);
    }
    return 0;
}
