// Save Graph: the four curves and the parameters to a workbook, the chart to
// a BMP picture beside it.
#include "app/SafeSave.h"
#include "app/gui/TfrmMain.h"
#include "app/gui/Widgets.h"
#include "files/workbook/Workbook.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QSpinBox>

#include <optional>

namespace {

// The picture's name: a three-letter extension is replaced, any other name
// gets ".bmp" added.
QString pictureName(QString name)
{
    if (name.size() >= 4 && name.at(name.size() - 4) == u'.')
        name.chop(4);
    return name + QStringLiteral(".bmp");
}

} // namespace

void TfrmMain::tbSaveGraphClick()
{
    const FileDialogState &dialog = fileDialog(FileCommand::SaveGraph, msg(4), SaveGraph1);
    if (auto chosen = m_dialogs.saveFile(this, dialog)) {
        const QString path = chosenName(FileCommand::SaveGraph, *chosen);
        // Busy while the files are written, not over a box that reports.
        std::optional<BusyCursor> busy(std::in_place);
        WorkbookApplication excel;
        bool saved = false;
        try {
            excel.workbooks().Add();
            Worksheet &sheet = excel.ActiveWorkbook().ActiveSheet();
            const QStringList headers = {
                QStringLiteral("Date"),    QStringLiteral("Hour"),
                cbDataList->currentText(), QStringLiteral("Shower Profile"),
                QStringLiteral("Shower"),  QStringLiteral("Sporadic")};
            for (int c = 0; c < headers.size(); ++c)
                sheet.setText(1, c + 1, headers[c]);
            const QStringList names = {QStringLiteral("a"), QStringLiteral("b"),
                                       QStringLiteral("Maximum Int."), QStringLiteral("Maximum")};
            const QList<QSpinBox *> values = {UpA, UpB, UpMInt, UpMax};
            for (int k = 0; k < 4; ++k)
                sheet.setText(2, k + 8, names[k]);
            for (int k = 0; k < 4; ++k)
                sheet.setText(3, k + 8, values[k]->text());

            // Every point of the last Run, from its record, also while a zoom
            // shows only some: the date and hour of its label, the curves.
            const size_t points = std::min(m_run.labels.size(), m_run.size());
            for (size_t i = 0; i < points; ++i) {
                const PointLabel &label = m_run.labels[i];
                const int row = static_cast<int>(i) + 2;
                sheet.setText(row, 1, label.date);
                sheet.setText(row, 2, QString::number(label.hour));
                sheet.setCells(row, 3, m_run.observed(i));
                sheet.setCells(row, 4, m_run.profile(i));
                sheet.setCells(row, 5, m_run.shower(i));
                sheet.setCells(row, 6, m_run.sporadic(i));
            }
            excel.ActiveWorkbook().SaveAs(path);
            excel.Quit();
            saved = true;
        } catch (const EWorkbookError &e) {
            busy.reset();
            showMessage(e.text(), MB_ICONERROR);
            excel.Quit();
        }
        if (saved) {
            // The chart as it is drawn, at its current size, whether or not
            // its page is the one shown. The layout of a Run (axes, labels)
            // waits in layout requests the loop may not have handled yet, as
            // right after Auto Calc: they are handled first, so that the
            // picture is what the screen shows.
            Chart1->layout()->activate();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            // Through the one writer of files, as every save.
            SafeSave::writeImageOrFail(pictureName(path), Chart1View->grab().toImage(), "BMP");
            say(text(Text::StatusSavedFile)
                    .arg(QFileInfo(path).fileName() + QStringLiteral(", ") +
                         QFileInfo(pictureName(path)).fileName()));
            rememberFile(FileCommand::SaveGraph, path, false);
        }
    }
    UpdateDateRange();
}
