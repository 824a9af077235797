// The program entry: the application object, the main window, the event loop.
// `vexlor FILE...` opens or imports the files named, as a drop of them does.
#include "Dialogs.h"
#include "TfrmMain.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The desktop matches the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vexlor.Vexlor"));
    // What Qt left of the command line (it takes its own options) are files.
    QStringList files;
    for (int i = 1; i < argc; ++i)
        files << QFile::decodeName(argv[i]);
    QtDialogs dialogs;
    TfrmMain frmMain(dialogs);
    // After the window: it makes the program's resources available.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vexlor.svg")));
    frmMain.show();
    if (!files.isEmpty())
        QTimer::singleShot(0, &frmMain, [&frmMain, files] { frmMain.openCommandLine(files); });
    return app.exec();
}
