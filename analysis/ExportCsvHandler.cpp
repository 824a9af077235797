// Export CSV: the rows of the last Run for scripts.
#include "analysis/RunCsv.h"
#include "app/TfrmMain.h"
#include "files/SafeSave.h"

#include <QDir>

void TfrmMain::ExportCSV1Click()
{
    if (LastRunData.empty())
        return;
    prepareSaveDialog(extraText(19));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        try {
            SafeSave::write(*name, RunCsv::format(LastRunData, LastRunModel));
        } catch (const SafeSave::ESaveFailed &e) {
            throw EInOutError(QStringLiteral("Unable to write to %1: %2")
                                  .arg(QDir::toNativeSeparators(*name), e.reason()));
        }
    }
}
