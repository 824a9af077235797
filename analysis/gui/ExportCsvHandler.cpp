// Export CSV: the rows of the last Run for scripts.
#include "analysis/RunCsv.h"
#include "app/SafeSave.h"
#include "app/gui/TfrmMain.h"

void TfrmMain::ExportCSV1Click()
{
    if (m_run.empty())
        return;
    prepareSaveDialog(text(Text::CsvFilter));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        SafeSave::writeOrFail(*name, RunCsv::format(m_run.DataRows, m_run.ModelRows));
    }
}
