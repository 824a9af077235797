// Save Graph: the four curves and the parameters to a workbook, the chart to
// a BMP picture beside it.
#include "analysis/gui/ChartNavigator.h"
#include "app/SafeSave.h"
#include "app/gui/TfrmMain.h"
#include "files/ExtractField.h"
#include "files/workbook/Workbook.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGraphicsLayout>
#include <QImageWriter>
#include <QLineSeries>
#include <QSpinBox>

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
    prepareSaveDialog(msg(4));
    if (auto name = m_dialogs.saveFile(this, SaveDialog1)) {
        SaveDialog1.fileName = *name;
        WorkbookApplication excel;
        bool saved = false;
        try {
            excel.setVisible(true);
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

            // Every point of the Run, also while a zoom shows only some.
            const QList<QPointF> &observed = Navigator->points(0), &profile = Navigator->points(1),
                                 &shower = Navigator->points(2), &sporadic = Navigator->points(3);
            const int points = ObservedSeries ? static_cast<int>(observed.size()) : 0;
            for (int i = 0; i < points; ++i) {
                const QString &label = PointLabels[static_cast<size_t>(i)];
                const QString cr(QLatin1Char('\r'));
                sheet.setText(i + 2, 1, ExtractField(label, cr, 1));
                sheet.setText(i + 2, 2,
                              ExtractField(ExtractField(label, cr, 2), QStringLiteral("h"), 1));
                sheet.setCells(i + 2, 3, observed[i].y());
                sheet.setCells(i + 2, 4, profile[i].y());
                sheet.setCells(i + 2, 5, shower[i].y());
                sheet.setCells(i + 2, 6, sporadic[i].y());
            }
            excel.ActiveWorkbook().SaveAs(*name);
            excel.Quit();
            saved = true;
        } catch (const EWorkbookError &e) {
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
            const QImage picture = Chart1View->grab().toImage();
            const QString file = pictureName(*name);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "bmp");
            if (!writer.write(picture))
                throw EInOutError(QStringLiteral("Unable to write to %1: %2")
                                      .arg(QDir::toNativeSeparators(file), writer.errorString()));
            SafeSave::writeOrFail(file, bytes);
        }
    }
    UpdateDateRange();
}
