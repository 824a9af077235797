// Export CSV: the rows of the last Run for scripts.
#include "analysis/RunCsv.h"
#include "app/SafeSave.h"
#include "app/gui/TfrmMain.h"

#include <QFileInfo>

void TfrmMain::ExportCSV1Click()
{
    if (m_run.empty())
        return;
    const FileDialogState &dialog =
        fileDialog(FileCommand::ExportCsv, text(Text::CsvFilter), ExportCSV1);
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::ExportCsv, *chosen);
        SafeSave::writeOrFail(path, RunCsv::format(m_run.DataRows, m_run.ModelRows));
        say(text(Text::StatusExported)
                .arg(m_texts.count(Text::RowCount, qint64(m_run.size())),
                     QFileInfo(path).fileName()));
        rememberFile(FileCommand::ExportCsv, path, false);
    }
}
