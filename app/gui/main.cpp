// The program entry: the application object, the main window, the event loop.
#include "Dialogs.h"
#include "TfrmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QtDialogs dialogs;
    TfrmMain frmMain(dialogs);
    frmMain.show();
    return app.exec();
}
