// The main window: every control of the program and the handlers of their events.
#pragma once

#include "Dialogs.h"
#include "analysis/ActivityModel.h"
#include "analysis/AutoSearch.h"
#include "app/IniFile.h"
#include "table/GridRow.h"

#include <QMainWindow>
#include <QStringList>

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <vector>

class BackgroundRead;
class ChartNavigator;
class ColorgrammeView;
class ReportView;
class TableEditor;
class ColorSwatch;
class QAction;
class QActionGroup;
class QCategoryAxis;
class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineSeries;
class QMenu;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QValueAxis;
class StatusPanel;
class StringGrid;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // exeDir: where the settings file lies; empty for the executable's own
    // directory.
    explicit TfrmMain(Dialogs &dialogs, const QString &exeDir = {});
    ~TfrmMain() override;

    // ---- process-wide state
    QString ExeDir;
    std::array<QString, 20> Messages; // MSG1 .. MSG20, index n - 1
    const QString &msg(int n) const { return Messages[static_cast<size_t>(n - 1)]; }
    // Texts added after the language files' first families, from keys X1,
    // X2 ... of the applied language, or the built-in English text.
    QString extraText(int n) const;
    QString settingsPath() const;
    IniFile settings() const { return IniFile(settingsPath()); }
    FileDialogState OpenDialog1, SaveDialog1;

    // ---- menu MainM
    QMenu *File1 = nullptr, *Configuration1 = nullptr, *Language1 = nullptr;
    QAction *New1 = nullptr, *N1 = nullptr, *OpenTXT1 = nullptr, *OpenXLS1 = nullptr, *N2 = nullptr,
            *SaveTXT1 = nullptr, *SaveXLS1 = nullptr, *N3 = nullptr, *Exit1 = nullptr;
    QAction *ExportCSV1 = nullptr;     // after the first menu keys: text X18
    QAction *SavePicture1 = nullptr;   // text X20
    QAction *Import1 = nullptr;        // X22
    QAction *ExportNetwork1 = nullptr; // X30
    QAction *Station1 = nullptr;       // X31, in Configuration
    QAction *GridBackGroundColor1 = nullptr, *GridAxisColor1 = nullptr;
    QAction *English1 = nullptr, *Russian1 = nullptr;
    QAction *About1 = nullptr;
    QActionGroup *LanguageGroup = nullptr;

    // ---- toolbar
    QToolBar *ToolBar = nullptr;
    QAction *tbNew = nullptr, *tbOpnTxt = nullptr, *tbOpnXls = nullptr, *tbSavTxt = nullptr,
            *tbSavXls = nullptr, *tbRun = nullptr, *tbAutoCalc = nullptr, *tbEdit = nullptr,
            *tbSaveGraph = nullptr;
    QAction *tbImport = nullptr; // tool tip X59

    // ---- pages
    QTabWidget *PageControl1 = nullptr;
    QWidget *tsData = nullptr, *tsGraph = nullptr;
    // The third page, after GRAPH: tab text X33.
    ColorgrammeView *tsColorgramme = nullptr;
    // The fourth page: the last fit in observers' terms; tab text X62.
    ReportView *tsReport = nullptr;
    QWidget *Panel1 = nullptr;
    QLabel *lBobs = nullptr, *lEobs = nullptr, *lDataList = nullptr;
    QDateEdit *dtp1 = nullptr, *dtp2 = nullptr;
    QComboBox *cbDataList = nullptr;
    StringGrid *strGrid = nullptr;
    QDateEdit *sgDTPick = nullptr;

    QWidget *Panel2 = nullptr;
    QLabel *lKa = nullptr, *lKb = nullptr, *lMaxTime = nullptr, *lMax = nullptr, *Label2 = nullptr,
           *lZdO = nullptr;
    // Each up-down and its read-only edit are one spin box: eKa is UpA's text.
    QSpinBox *UpA = nullptr, *UpB = nullptr, *UpMInt = nullptr, *UpMax = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QCheckBox *cbox1 = nullptr, *cbox2 = nullptr, *cbox3 = nullptr, *cbox4 = nullptr;
    ColorSwatch *Shape1 = nullptr, *Shape2 = nullptr, *Shape3 = nullptr, *Shape4 = nullptr;
    QChartView *Chart1View = nullptr;
    QChart *Chart1 = nullptr;
    QValueAxis *LeftAxis = nullptr;
    QCategoryAxis *BottomAxis = nullptr;
    // Created by the first run that gets past the row selection, refilled by
    // every later one; the chart owns them.
    QLineSeries *ObservedSeries = nullptr, *ProfileSeries = nullptr, *ShowerSeries = nullptr,
                *SporadicSeries = nullptr;
    // The label of each point, the same for the four series: date, CR, hour,
    // "h (", point number, ")". Qt's series keep no labels of their own.
    std::vector<QString> PointLabels;
    // Readout, zoom and pan of the chart.
    ChartNavigator *Navigator = nullptr;

    QStatusBar *StatusBar1 = nullptr;
    StatusPanel *StatusPanel0 = nullptr, *StatusPanel1 = nullptr;

    // ---- application shell
    void FormCreate();
    void SetLanguage(const QString &code);
    void English1Click();
    void Russian1Click();
    void About1Click();
    void Exit1Click();
    void PageControl1Change();
    void StatusBar1DrawPanel(QPainter &canvas, int panel, const QRect &rect);
    void GridBackGroundColor1Click();
    void GridAxisColor1Click();
    void Shape1MouseDown(ColorSwatch *sender);

    // ---- observation table
    void New1Click();
    void tbNewClick();
    void tbEditClick();
    bool strGridSelectCell(int col, int row);
    void strGridDrawCell(QPainter &canvas, int col, int row, const QRect &rect,
                         const QColor &background);
    void strGridKeyDown(int &key);
    void strGridKeyPress(QChar &key);
    void sgDTPickKeyDown(int &key);
    void sgDTPickExit();
    // Undo, redo, copy, paste and the row commands of the grid.
    TableEditor *Table = nullptr;

    // ---- files
    void tbOpnTxtClick();
    void tbSavTxtClick();
    void OpenTXT1Click() { tbOpnTxtClick(); }
    void SaveTXT1Click() { tbSavTxtClick(); }
    void tbOpnXlsClick();
    void tbSavXlsClick();
    void OpenXLS1Click() { tbOpnXlsClick(); }
    void SaveXLS1Click() { tbSavXlsClick(); }
    void UpdateDateRange();
    // Reads observers' count files, several at once, into the table.
    void Import1Click();
    // Writes the chosen column as the network's monthly tables and hourly
    // lists, with the station's block.
    void ExportNetwork1Click();
    // Edits the station block kept in the settings; false when cancelled.
    bool Station1Click();
    // The colorgramme as a PNG picture.
    void SaveColorgrammeClick();
    // The table's cursor to the row of a colorgramme cell.
    void colorgrammeCellClicked(int row);
    // Before the table is left (Exit, close, New, open): when it has changed
    // since it was last opened, saved or made new, asks whether to save it
    // first. False when the user cancelled or the save found no name.
    bool confirmLeave();
    // "Vexlor 1.0", then the name of the table's file, and "*" while the
    // table has unsaved changes.
    void updateCaption();
    // Where the table came from or was last saved, and as what.
    struct TableOrigin {
        QString path;
        bool workbook = false;
    } Origin;

    // ---- analysis
    void tbRunClick();
    void UpdateChart(const std::vector<TRadData> &DataRows, const std::vector<TRadData> &ModelRows,
                     int PeakValue);
    void tbAutoCalcClick();
    // readRows over the selection and the chosen column; a cell it cannot
    // take puts the cursor there and fails with the cell named.
    Peak readTableRows(const RowSelection &selection, std::vector<TRadData> &DataRows);
    bool searching() const { return m_searching; }
    void tbSaveGraphClick();
    // The rows of the last Run as CSV.
    void ExportCSV1Click();
    std::vector<TRadData> LastRunData, LastRunModel;
    ModelParams LastRunParams;
    double LastRunDO = 0;
    // The scores of the last Auto Calc's search, for the report's landscape,
    // while its final Run runs.
    SearchScores LastSearchScores;
    int LastSearchPeakOffset = 0;
    // The report page follows every Run; its file commands.
    void updateReport(bool fromSearch);
    void SaveReportClick();
    void SaveReportPicturesClick();
    // The last Run as a figure for a report: PNG at the size asked for (the
    // last one chosen, first 1600 x 900), SVG or PDF.
    void SavePicture1Click();
    QSize PictureSize{1600, 900};

    // ---- helpers for the handlers
    // A modal box with caption "Vexlor 1.0" and the icon of the flag value.
    void showMessage(const QString &text, int flags);
    bool dataPageActive() const;
    // The file dialogs' filter, and their starting folders: the open dialog's
    // or ExeDir.
    void prepareOpenDialog(const QString &filter);
    void prepareSaveDialog(const QString &filter);
    // The up-downs hold 16-bit positions; a larger value is cut to the
    // largest one instead of wrapping round to a negative number.
    static int upDownPosition(int value) { return std::clamp(value, -32768, 32767); }
    // Sets an up-down's maximum and then its position. The minimum stays, so
    // a maximum below it is raised to it (Qt would lower the minimum instead).
    static void resetUpDown(QSpinBox *upDown, int maximum, int position);
    // Runs a handler; a failure it does not catch itself is shown in the
    // general error box and the program goes on with the state it left.
    template <class F> void guarded(F &&handler) noexcept
    {
        try {
            handler();
        } catch (...) {
            reportException(std::current_exception());
        }
    }
    void reportException(std::exception_ptr error) noexcept;
    Dialogs &dialogs() { return m_dialogs; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenu();
    void createToolBar();
    void createDataPage();
    void createGraphPage();
    void createColorgrammePage();
    void createReportPage();
    void createStatusBar();
    void connectHandlers();
    void placeDatePicker(int col, int row);
    void cursorReset();
    void applyCaption(QAction *item, const QString &value);
    void chooseLanguage(const QString &code);
    void fitCaptions();
    // Puts rows read from a file into the table: a fresh history, unchanged.
    void loadRows(std::vector<GridRow> rows, const QString &path, bool workbook);
    // Writes the table to a file as Save (TXT) or Save (XLS) does.
    void writeTable(const QString &path, bool workbook);

    Dialogs &m_dialogs;
    QAction *m_checkedLanguage = nullptr;
    QString m_language; // the code of the language last applied
    // Workbook reads the user cancelled: they end on their own threads and
    // are waited for when the window goes.
    std::vector<std::unique_ptr<BackgroundRead>> m_abandonedReads;
    // While the search runs, the window closes only after it and its final
    // Run have ended.
    bool m_searching = false;
    bool m_runAfterSearch = false; // the Run that ends Auto Calc
    bool m_closeRequested = false;
};
