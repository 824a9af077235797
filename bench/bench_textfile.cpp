// Opening and saving a text file of 100 000 data lines through the window.
#include "BenchWindow.h"
#include "app/gui/TfrmMain.h"
#include "table/gui/StringGrid.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QApplication app(argc, argv);
    quietOffscreenWarnings();
    const int lines = 100000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        QByteArray out = "Date\t\tHour\tSum\tN1\tN2\tN3\tN4\tN5\tN6\tN7\tN8\tN9\tN10\r\n";
        QDate day(2000, 1, 1);
        for (int i = 0; i < lines; ++i) {
            if (i > 0 && i % 24 == 0)
                day = day.addDays(1);
            out += day.toString(QStringLiteral("dd.MM.yyyy")).toLatin1() + '\t' +
                   QByteArray::number(i % 24) + '\t' + QByteArray::number(100 + i % 37) +
                   "\t12\t7\t3\t\t\t\t\t\t\t\r\n";
        }
        f.write(out);
    }

    BenchDialogs dialogs;
    double before = residentMegabytes();
    TfrmMain w(dialogs, dir.path());
    BenchWindow b(w);
    w.show();
    app.processEvents();
    report("rss_empty_window_mb", residentMegabytes());
    (void)before;

    dialogs.openAnswers.push_back(path);
    QElapsedTimer t;
    t.start();
    b.tbOpnTxt->trigger();
    app.processEvents();
    report("open_100000_lines_s", t.nsecsElapsed() / 1e9);
    report("rows_loaded", b.strGrid->rowCountWithHeader() - 1);
    report("rss_after_open_mb", residentMegabytes());

    dialogs.saveAnswers.push_back(dir.filePath(QStringLiteral("saved.txt")));
    t.restart();
    b.tbSavTxt->trigger();
    report("save_100000_lines_s", t.nsecsElapsed() / 1e9);

    // Scrolling to the end and painting there.
    t.restart();
    b.strGrid->scrollToBottom();
    b.strGrid->viewport()->repaint();
    report("scroll_to_end_and_paint_s", t.nsecsElapsed() / 1e9);
    report("errors", dialogs.errors.size());
    return 0;
}
