// Export CSV and Save Picture: the last Run for scripts and for reports.
#include "analysis/Figure.h"
#include "analysis/RunCsv.h"
#include "app/SafeSave.h"
#include "app/gui/TfrmMain.h"
#include "app/gui/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>

void TfrmMain::ExportCSV1Click()
{
    if (LastRunData.empty())
        return;
    prepareSaveDialog(extraText(19));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        SafeSave::writeOrFail(*name, RunCsv::format(LastRunData, LastRunModel));
    }
}

void TfrmMain::SavePicture1Click()
{
    if (LastRunData.empty())
        return;
    prepareSaveDialog(extraText(21));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        // A PNG has the size the user chooses; SVG and PDF are drawings.
        QSize size = PictureSize;
        const QString suffix = QFileInfo(*name).suffix().toLower();
        if (suffix != QLatin1String("svg") && suffix != QLatin1String("pdf")) {
            const std::optional<QStringList> answer = m_dialogs.editFields(
                this, extraText(90), {extraText(91), extraText(92)},
                {QString::number(size.width()), QString::number(size.height())}, extraText(2));
            if (!answer)
                return;
            size =
                Figure::parseSize(answer->value(0).trimmed() + u'x' + answer->value(1).trimmed());
            if (!size.isValid()) {
                showMessage(extraText(93), MB_ICONWARNING);
                return;
            }
            PictureSize = size;
        }
        const QString source = Origin.path.isEmpty() ? QStringLiteral("Vexlor 1.0")
                                                     : QFileInfo(Origin.path).fileName();
        const FigureData figure = Figure::ofRun(
            LastRunData, LastRunModel, LastRunParams, LastRunDO,
            QStringLiteral("%1, %2 to %3").arg(source, dtp1->text(), dtp2->text()),
            cbDataList->currentText(), {cbox1->text(), cbox2->text(), cbox3->text(), cbox4->text()},
            {Shape1->brushColor(), Shape2->brushColor(), Shape3->brushColor(),
             Shape4->brushColor()},
            {cbox1->isChecked(), cbox2->isChecked(), cbox3->isChecked(), cbox4->isChecked()});
        Figure::save(figure, *name, size);
    }
}
