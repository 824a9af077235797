// Long use in one window: open a sample, Run, change a, Run, Auto Calc on a
// short selection, Save Graph; resident memory every 100 rounds.
//   bench_soak [ROUNDS]   (1000 by default)
#include "BenchWindow.h"
#include "app/gui/TfrmMain.h"
#include "table/gui/StringGrid.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    useOffscreenPlatform();
    QApplication app(argc, argv);
    quietOffscreenWarnings();
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 1000;

    // The program's own settings and samples, beside the build's program.
    const QString programDir = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    const QString sample = programDir + QStringLiteral("/samples/geminids_2008.txt");
    QTemporaryDir out;
    BenchDialogs dialogs;
    TfrmMain w(dialogs, programDir);
    BenchWindow b(w);
    w.resize(870, 500);
    w.show();
    app.processEvents();

    QElapsedTimer timer;
    timer.start();
    for (int round = 1; round <= rounds; ++round) {
        b.PageControl1->setCurrentIndex(0);
        dialogs.openAnswers.push_back(sample);
        b.tbOpnTxt->trigger();
        b.tbRun->trigger();
        b.UpA->setValue(10 + round % 80);
        b.tbRun->trigger();
        b.dtp1->setDate(QDate(2008, 12, 12));
        b.dtp2->setDate(QDate(2008, 12, 14));
        b.tbAutoCalc->trigger();
        dialogs.saveAnswers.push_back(out.filePath(QStringLiteral("graph%1.xls").arg(round % 3)));
        b.tbSaveGraph->trigger();
        app.processEvents();
        if (round == 1 || round % 100 == 0) {
            std::printf("round_%d_rss_mb %.1f\n", round, residentMegabytes());
            std::fflush(stdout);
        }
    }
    report("rounds", rounds);
    report("seconds", timer.nsecsElapsed() / 1e9);
    report("errors", dialogs.errors.size());
    report("messages", dialogs.messages);
    for (const QString &e : dialogs.errors.mid(0, 3))
        std::printf("error %s\n", e.toUtf8().constData());
    return dialogs.errors.isEmpty() ? 0 : 1;
}
