// The program entry: the application object, the main window, the event loop.
#include "Dialogs.h"
#include "TfrmMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The desktop matches the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vexlor.Vexlor"));
    QtDialogs dialogs;
    TfrmMain frmMain(dialogs);
    // After the window: it makes the program's resources available.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vexlor.svg")));
    frmMain.show();
    return app.exec();
}
