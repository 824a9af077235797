// Save Picture: the last Run as a figure for a report.
#include "analysis/Figure.h"
#include "app/gui/TfrmMain.h"
#include "app/gui/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>

void TfrmMain::SavePicture1Click()
{
    if (m_run.empty())
        return;
    const FileDialogState &dialog =
        fileDialog(FileCommand::SavePicture, text(Text::PictureFilter), SavePicture1);
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SavePicture, *chosen);
        // A PNG has the size the user chooses; SVG and PDF are drawings.
        QSize size = PictureSize;
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix != QLatin1String("svg") && suffix != QLatin1String("pdf")) {
            const std::optional<QStringList> answer = m_dialogs.editFields(
                this, text(Text::PictureSizeCaption),
                {text(Text::PictureWidth), text(Text::PictureHeight)},
                {QString::number(size.width()), QString::number(size.height())},
                text(Text::Cancel));
            if (!answer)
                return;
            size =
                Figure::parseSize(answer->value(0).trimmed() + u'x' + answer->value(1).trimmed());
            if (!size.isValid()) {
                showMessage(text(Text::PictureSizeRange), MB_ICONWARNING);
                return;
            }
            PictureSize = size;
        }
        const QString source = Origin.path.isEmpty() ? QStringLiteral("Vexlor 1.0")
                                                     : QFileInfo(Origin.path).fileName();
        const FigureData figure = Figure::ofRun(
            m_run.DataRows, m_run.ModelRows, m_run.params, m_run.dO,
            QStringLiteral("%1, %2 to %3").arg(source, dtp1->text(), dtp2->text()),
            cbDataList->currentText(), {cbox1->text(), cbox2->text(), cbox3->text(), cbox4->text()},
            {Shape1->brushColor(), Shape2->brushColor(), Shape3->brushColor(),
             Shape4->brushColor()},
            {cbox1->isChecked(), cbox2->isChecked(), cbox3->isChecked(), cbox4->isChecked()});
        {
            BusyCursor busy;
            Figure::save(figure, path, size);
        }
        say(text(Text::StatusSavedFile).arg(QFileInfo(path).fileName()));
        rememberFile(FileCommand::SavePicture, path, false);
    }
}
