// Run: select the rows of the date range, fit the model, show dO and the chart.
#include "app/Convert.h"
#include "app/DateConv.h"
#include "app/gui/TfrmMain.h"
#include "table/gui/StringGrid.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QTabWidget>

void TfrmMain::resetUpDown(QSpinBox *upDown, int maximum, int position)
{
    upDown->setMaximum(std::max(upDownPosition(maximum), upDown->minimum()));
    upDown->setValue(upDownPosition(position));
}

void TfrmMain::tbRunClick()
{
    tbSaveGraph->setEnabled(false);
    const bool ResetControls = PageControl1->currentIndex() != 1;
    PageControl1->setCurrentIndex(1);

    const RowSelection selection = selectRows(strGrid->model(), DateConv::toText(dtp1->date()),
                                              DateConv::toText(dtp2->date()));
    if (!selection.valid())
        return;

    ModelParams params;
    params.a = Convert::StrToInt(UpA->text());
    params.b = Convert::StrToInt(UpB->text());
    std::vector<TRadData> DataRows, ModelRows;
    const Peak peak = readTableRows(selection, DataRows);

    if (ResetControls) {
        resetUpDown(UpMInt, selection.count() - 1, peak.PeakOffset);
        resetUpDown(UpMax, peak.PeakValue, peak.PeakValue);
    }
    params.P = UpMInt->value();
    params.M = UpMax->value();

    HourBins bins;
    const double dO = fitModel(DataRows, ModelRows, params, bins);
    QLocale locale; // the default locale: the system's unless set otherwise
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    lZdO->setText(locale.toString(dO, 'f', 5));
    lZdO->adjustSize();

    UpdateChart(DataRows, ModelRows, peak.PeakValue);
    LastRunData = DataRows;
    LastRunModel = ModelRows;
    LastRunParams = params;
    LastRunDO = dO;
    updateReport(m_runAfterSearch);
    tbSaveGraph->setEnabled(true);
}

Peak TfrmMain::readTableRows(const RowSelection &selection, std::vector<TRadData> &DataRows)
{
    try {
        return readRows(strGrid->model(), selection, countColumn(cbDataList->currentIndex()),
                        DataRows);
    } catch (const ETableCellError &e) {
        // The conversion's text, and on a second line where the cell is;
        // the table's cursor goes there.
        strGrid->setRow(e.row);
        strGrid->setCol(e.col);
        throw EConvertError(e.text() + u'\n' +
                            extraText(17).arg(e.row).arg(strGrid->cell(e.col, 0)));
    }
}
