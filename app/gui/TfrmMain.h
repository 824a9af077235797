// The main window: every control of the program and the handlers of their events.
#pragma once

#include "Dialogs.h"
#include "analysis/AutoSearch.h"
#include "analysis/RunPipeline.h"
#include "analysis/RunRecord.h"
#include "analysis/gui/ReportView.h"
#include "app/Job.h"
#include "app/LanguageTexts.h"
#include "app/Settings.h"
#include "files/ObserverFiles.h"
#include "table/GridRow.h"

#include <QMainWindow>
#include <QStringList>

#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace NetworkExport {
struct File;
}

class ChartNavigator;
class ColorgrammeView;
class HelpWindow;
class ReportView;
class StackedView;
namespace ObserverFiles {
struct Summary;
struct Options;
} // namespace ObserverFiles
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
class QTranslator;
class QValueAxis;
class StatusPanel;
class StringGrid;

// The window owns the controls, the pages' views, the settings, the
// language's texts and the record of the last Run, and wires them together.
// Its public face is the handlers of its components, named after component
// and event; each reads the controls, calls the core and writes the
// controls. The handlers are defined in the gui/ folder of their subsystem.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // exeDir: where the settings file lies; empty for the executable's own
    // directory.
    explicit TfrmMain(Dialogs &dialogs, const QString &exeDir = {});
    ~TfrmMain() override;

    // The settings file the program writes: VEXLOR.ini in ExeDir, or the
    // user's for an installed program (Settings::locate).
    QString settingsPath() const { return Settings::locate(ExeDir).file; }
    // MSG<n> of the applied language.
    const QString &msg(int n) const { return m_texts.message(n); }

    // ---- application shell (app/gui)
    void FormCreate();
    void SetLanguage(const QString &code);
    void English1Click();
    void Russian1Click();
    void About1Click();
    void Exit1Click();
    // Help -> Manual: the manual in the language applied, in a window of its
    // own.
    void Manual1Click();
    // The files named on the program's command line, opened or imported as
    // a drop of them is.
    void openCommandLine(const QStringList &files);
    void StatusBar1DrawPanel(QPainter &canvas, int panel, const QRect &rect);
    // The Configuration menu: the colours and the station.
    void GridBackGroundColor1Click();
    void GridAxisColor1Click();
    void Shape1MouseDown(ColorSwatch *sender);
    // Edits the station block kept in the settings; false when cancelled.
    bool Station1Click();

    // ---- observation table (table/gui)
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

    // ---- files (files/gui)
    void tbOpnTxtClick();
    void tbSavTxtClick();
    void OpenTXT1Click() { tbOpnTxtClick(); }
    void SaveTXT1Click() { tbSavTxtClick(); }
    void tbOpnXlsClick();
    void tbSavXlsClick();
    // File -> Save: to the file the table came from, in its format; a table
    // from no file asks for a name as Save (TXT) does.
    void Save1Click();
    // File -> Recent files: an entry opens its file by content, as a drop.
    void RecentFileClick(const QString &path);
    void ClearRecent1Click();
    // Files dropped on the window or named on the command line: one table
    // file opens as Open (TXT), one workbook as Open (XLS), count files are
    // imported (TableFiles::choose decides by content).
    void openPaths(const QStringList &paths);
    void OpenXLS1Click() { tbOpnXlsClick(); }
    void SaveXLS1Click() { tbSavXlsClick(); }
    void UpdateDateRange();
    // Reads observers' count files, several at once, into the table.
    void Import1Click();
    // Import with each station's files put into a count column of the
    // user's choice (proposed from the files' station blocks), so that two
    // stations' files of the same hours become two columns; the station's
    // name and place are kept for the column.
    void ImportColumns1Click();
    // Writes the chosen column as the network's monthly tables and hourly
    // lists, with the station's block.
    void ExportNetwork1Click();
    // Writes the files into folder as one set, after asking once whether to
    // replace those that exist; false when cancelled or failed (with a message).
    bool writeFileSet(const QString &folder, const std::vector<NetworkExport::File> &files);

    // ---- analysis (analysis/gui)
    void tbRunClick();
    // The chart update: the four series, the axes and the labels of the
    // points of these rows.
    void UpdateChart(const std::vector<TRadData> &DataRows, const std::vector<TRadData> &ModelRows,
                     int PeakValue);
    void tbAutoCalcClick();
    void tbSaveGraphClick();
    // The rows of the last Run as CSV.
    void ExportCSV1Click();
    // The last Run as a figure for a report: PNG at the size asked for (the
    // last one chosen, first 1600 x 900), SVG or PDF.
    void SavePicture1Click();
    // The colorgramme as a PNG picture.
    void SaveColorgrammeClick();
    // The report page's file commands.
    void SaveReportClick();
    void SaveReportPicturesClick();
    // The stacked page's commands: the chosen columns' stations, the
    // numbers as CSV, the chart as PNG, SVG or PDF.
    void StackedStationsClick();
    void SaveStackedNumbersClick();
    void SaveStackedPictureClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The window's tests look at its controls and its state as a user sees
    // them, and so does the benchmarks' view of it.
    friend class WindowFixture;
    friend class TestAutoCalc;
    friend class TestBadInput;
    friend class TestCells;
    friend class TestChart;
    friend class TestDesktop;
    friend class TestEditing;
    friend class TestExport;
    friend class TestHardening;
    friend class TestHardeningFiles;
    friend class TestHardeningSettings;
    friend class TestImport;
    friend class TestMainWindow;
    friend class TestReportPage;
    friend class TestStackedPage;
    friend class TestRun;
    friend class TestRunRecord;
    friend class TestSpreadsheets;
    friend class TestTable;
    friend class TestTextFiles;
    friend class TestNetwork;
    friend class BenchWindow;

    // ---- state
    Dialogs &m_dialogs;
    // The settings as read at the start and written since, and the texts of
    // the language applied last (read once by SetLanguage).
    Settings m_settings;
    LanguageTexts m_texts;
    using Text = LanguageTexts::Text;
    QString text(Text t) const { return m_texts.text(t); }
    QString ExeDir;
    // MSG1 .. MSG20 of the applied language, index n - 1.
    const LanguageTexts::Messages &Messages = m_texts.messages();
    // Each file command's dialog remembers its own last name and folder, so
    // that no dialog offers another command's file. OpenDialog1 keeps the
    // folder an open command used last: a command that has none of its own
    // yet starts there (or in ExeDir).
    enum class FileCommand {
        OpenTxt,
        OpenXls,
        Import,
        SaveTxt,
        SaveXls,
        SaveGraph,
        SavePicture,
        ExportCsv,
        SaveReport,
        SaveReportPictures,
        SaveColorgramme,
        ExportNetwork,
        SaveStackedNumbers,
        SaveStackedPicture, // the last
    };
    std::map<FileCommand, FileDialogState> m_fileDialogs;
    std::map<FileCommand, QString> m_folders; // each command's own last folder
    FileDialogState OpenDialog1;
    // Import's last answer of how far the files' hours are from UT (none:
    // UT), shown again by its next dialog in this session.
    std::optional<int> ImportUtcOffset;
    // The name a command goes by in the settings file's folder keys.
    static QString settingsName(FileCommand command);
    static bool isOpenCommand(FileCommand command);
    // A chosen file: the command's dialog proposes it next time, its
    // folder is the command's (and, for an open command, OpenDialog1's).
    void noteChosen(FileCommand command, const QString &path);
    // Where the table came from or was last saved, and as what.
    struct TableOrigin {
        QString path;
        bool workbook = false;
    } Origin;
    // The last Run: the chart, its readout, the report and the exports read
    // it. The names the window's parts have always used for its pieces:
    RunRecord m_run;
    ModelParams &LastRunParams = m_run.params;
    double &LastRunDO = m_run.dO;
    std::vector<PointLabel> &PointLabels = m_run.labels;
    // The scores of the last Auto Calc's search, for the report's landscape,
    // while its final Run runs.
    SearchScores LastSearchScores;
    int LastSearchPeakOffset = 0;
    QSize PictureSize{1600, 900};
    QAction *m_checkedLanguage = nullptr;
    // While the search runs, the window closes only after it and its final
    // Run have ended.
    bool m_searching = false;
    bool m_runAfterSearch = false; // the Run that ends Auto Calc
    bool m_closeRequested = false;
    // The date cell the picker edits: its row, the text the cell held when
    // the picker opened, and whether the user has given a date since.
    struct DatePickerEdit {
        int row = 0;
        QString text;
        bool chosen = false;
    } m_pickerEdit;

    // The property of a menu item or tool button added after the language
    // files' first families: the number of its X text. The loader does not
    // count such items, so that the M and TB keys of stored files keep
    // naming theirs.
    static constexpr const char *LanguageText = "languageText";

    // ---- menu MainM
    QMenu *File1 = nullptr, *Configuration1 = nullptr, *Language1 = nullptr;
    // The menus added after the first design take X texts and are not
    // counted by the M keys: Edit (the table's commands; a group of
    // commands on the table's rows goes in its own section before Editing),
    // Analysis, Help (which holds About1, still M4), and File's recent files.
    QMenu *Edit1 = nullptr, *Analysis1 = nullptr, *Help1 = nullptr, *Recent1 = nullptr;
    QAction *Save1 = nullptr, *ClearRecent1 = nullptr, *Editing1 = nullptr, *Run1 = nullptr,
            *AutoCalc1 = nullptr, *SaveGraph1 = nullptr, *Manual1 = nullptr;
    // The end of Edit's commands on the table's rows: commands added there
    // later (marking rows, say) go before it.
    QAction *EditRowsEnd = nullptr;
    QAction *New1 = nullptr, *N1 = nullptr, *OpenTXT1 = nullptr, *OpenXLS1 = nullptr, *N2 = nullptr,
            *SaveTXT1 = nullptr, *SaveXLS1 = nullptr, *N3 = nullptr, *Exit1 = nullptr;
    // The items added after the language files' menu keys take X texts.
    QAction *ExportCSV1 = nullptr, *SavePicture1 = nullptr, *Import1 = nullptr,
            *ExportNetwork1 = nullptr, *ImportColumns1 = nullptr;
    QAction *Station1 = nullptr; // in Configuration
    QAction *GridBackGroundColor1 = nullptr, *GridAxisColor1 = nullptr;
    QAction *English1 = nullptr, *Russian1 = nullptr;
    QAction *About1 = nullptr;
    QActionGroup *LanguageGroup = nullptr;

    // ---- toolbar
    QToolBar *ToolBar = nullptr;
    QAction *tbNew = nullptr, *tbOpnTxt = nullptr, *tbOpnXls = nullptr, *tbSavTxt = nullptr,
            *tbSavXls = nullptr, *tbRun = nullptr, *tbAutoCalc = nullptr, *tbEdit = nullptr,
            *tbSaveGraph = nullptr;
    QAction *tbImport = nullptr; // tool tip from an X text

    // ---- pages: DATA, GRAPH, then COLORGRAMME and REPORT
    QTabWidget *PageControl1 = nullptr;
    QWidget *tsData = nullptr, *tsGraph = nullptr;
    ColorgrammeView *tsColorgramme = nullptr;
    ReportView *tsReport = nullptr;
    StackedView *tsStacked = nullptr;
    QWidget *Panel1 = nullptr;
    QLabel *lBobs = nullptr, *lEobs = nullptr, *lDataList = nullptr;
    // Date fields that also take a date typed over their whole text (each
    // a DateField).
    QDateEdit *dtp1 = nullptr, *dtp2 = nullptr;
    QComboBox *cbDataList = nullptr;
    StringGrid *strGrid = nullptr;
    QDateEdit *sgDTPick = nullptr;
    // Undo, redo, copy, paste and the row commands of the grid.
    TableEditor *Table = nullptr;

    QWidget *Panel2 = nullptr;
    QLabel *lKa = nullptr, *lKb = nullptr, *lMaxTime = nullptr, *lMax = nullptr, *Label2 = nullptr,
           *lZdO = nullptr;
    // The date and hour of the row at the position of the maximum, below dO.
    QLabel *lMaxTimeAt = nullptr;
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
    // Readout, zoom and pan of the chart.
    ChartNavigator *Navigator = nullptr;

    QStatusBar *StatusBar1 = nullptr;
    StatusPanel *StatusPanel0 = nullptr, *StatusPanel1 = nullptr;
    // What the last command did, or why it did nothing.
    QLabel *StatusText = nullptr;

    HelpWindow *m_help = nullptr;
    // Qt's own texts (file dialogs, buttons) in the language applied.
    std::unique_ptr<QTranslator> m_qtTexts;

    // ---- construction (app/gui/TfrmMain.cpp)
    void createMenu();
    void createToolBar();
    void createDataPage();
    void createGraphPage();
    void createColorgrammePage();
    void createReportPage();
    void createStackedPage();
    // The summary of an import in a message box.
    // Asks for the hours a local-time table lies ahead of UT; false when
    // cancelled or not a whole number of -12 to 14 (said).
    bool askUtcOffset(ObserverFiles::Options &options);
    void showImportSummary(const ObserverFiles::Summary &summary);
    void createStatusBar();
    void createDesktopMenus();
    void connectHandlers();
    void connectDesktopCommands();
    void applyCaption(QAction *item, const QString &value);
    void chooseLanguage(const QString &code);
    void fitCaptions();
    // Qt's own texts (file dialogs, standard buttons) in the language.
    void loadQtTexts();

    // ---- helpers of the handlers
    // A modal box with caption "Vexlor 1.0" and the icon of the flag value.
    void showMessage(const QString &text, int flags);
    // The status bar's line: what a command did, or why it did nothing.
    void say(const QString &text);
    bool dataPageActive() const;
    // For a command that acts on the DATA page only: true on that page;
    // elsewhere it shows the page, says so, and gives false.
    bool onDataPage(const QAction *command);
    // A command's name as its menu item shows it, without "&" and "...".
    static QString commandName(const QAction *command);
    // A file command's dialog: its filter, its caption (the command's
    // name), its folder (its own, else the last open's, else ExeDir) and
    // the name it offers (its own last one, with the filter's extension).
    FileDialogState &fileDialog(FileCommand command, const QString &filter,
                                const QAction *item = nullptr);
    // The name a save dialog gave, with the filter's extension when typed
    // without one; the command remembers it and its folder.
    QString chosenName(FileCommand command, const QString &name);
    // Remembers a file's folder as the command's last one, and the file as
    // a recent one (for the table's files), in the settings file; a failed
    // write is said in the status bar.
    void rememberFile(FileCommand command, const QString &path, bool recent);
    void restoreFolders();
    void updateRecentMenu();
    // The window's place, page and bars, as the last run left them.
    void restoreWindowPlace();
    void saveWindowPlace();
    // The readers of the open commands after their dialog, shared with the
    // drop, the command line and the recent files.
    void openTextFile(const QString &path);
    void openWorkbookFile(const QString &path);
    // Imports count files, their hours so many hours ahead of UT as options
    // say; a local-time table that names no zone asks for its offset.
    void importCountFiles(const QStringList &names, ObserverFiles::Options options = {});
    // Puts imported hours into the table as one step of its history (a table
    // of no file yet) and says so; false, with a warning, when there are none.
    bool putImportedHours(ObserverFiles::Merged &merged);
    // Reads count files with read(options) as a job while the window waits;
    // a local-time table that names no zone asks for its offset and is read
    // again. nullopt when cancelled, or after the import's error was shown.
    template <class T>
    std::optional<T> readCountFiles(const QStringList &names, ObserverFiles::Options options,
                                    const std::function<T(const ObserverFiles::Options &)> &read);
    // Saves the table to where it came from (asking for a name when it came
    // from no file); false when cancelled or a workbook error was shown.
    bool saveToOrigin();
    // New: the last Run's chart, readout and report go with the table.
    void clearResults();
    // Why the date range selects no rows, for the status bar: no rows, no
    // row of the start or the end date, or the dates the wrong way round.
    QString whyNoRows(const QAction *command) const;
    // The date and hour of the last Run's row at the position control's
    // offset, beside it.
    void updatePositionRow();
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
    // Runs a reader or other long work as a job while the window waits in
    // the dialog seam's box (text) with Cancel. nullopt when the user
    // cancelled: the dropped job stops on its own and nothing has changed.
    // What the work threw is thrown here, on the GUI thread.
    template <class T>
    std::optional<T> waitForWork(const QString &what, std::function<T(Progress &)> work)
    {
        Job<T> job(std::move(work));
        if (!m_dialogs.waitFor(this, what, text(Text::Cancel), [&job] { return job.finished(); }))
            return std::nullopt;
        return job.take();
    }

    // The table (table/gui/TableHandlers.cpp).
    void placeDatePicker(int col, int row);
    // Writes the date the user chose in the picker into its cell, if any.
    void commitDatePicker();
    void cursorReset();
    // What every file command shares (files/gui/TableFileCommands.cpp).
    // Before the table is left (Exit, close, New, open): when it has changed
    // since it was last opened, saved or made new, asks whether to save it
    // first. False when the user cancelled or the save found no name.
    bool confirmLeave();
    // "Vexlor 1.0", then the name of the table's file, and "*" while the
    // table has unsaved changes.
    void updateCaption();
    // Puts rows read from a file into the table: a fresh history, unchanged.
    void loadRows(std::vector<GridRow> rows, const QString &path, bool workbook);
    // Writes the table to a file as Save (TXT) or Save (XLS) does.
    // False when the user cancelled the wait.
    bool writeTable(const QString &path, bool workbook);
    // The table's cursor to the row of a colorgramme cell.
    void colorgrammeCellClicked(int row);
    // The rows of the date range and the chosen column (analysis/gui); a
    // cell they cannot take puts the cursor there and fails with the cell
    // named. nullopt when the dates select no rows.
    std::optional<RunPipeline::Rows> readRunRows();
    // The up-downs hold 16-bit positions; a larger value is cut to the
    // largest one instead of wrapping round to a negative number.
    static int upDownPosition(int value) { return std::clamp(value, -32768, 32767); }
    // Sets an up-down's maximum and then its position. The minimum stays, so
    // a maximum below it is raised to it (Qt would lower the minimum instead).
    static void resetUpDown(QSpinBox *upDown, int maximum, int position);
    // The report page follows every Run, and rows Auto Calc refuses.
    void updateReport(bool fromSearch);
    // Where the rows of a Run come from, as the report says.
    ReportView::Source reportSource() const;
};
