// The main window: construction, start-up, languages and the shell's handlers.
#include "TfrmMain.h"

#include "HelpWindow.h"
#include "Widgets.h"
#include "analysis/gui/ChartNavigator.h"
#include "analysis/gui/ColorgrammeView.h"
#include "analysis/gui/ReportView.h"
#include "analysis/gui/StackedView.h"
#include "app/Colors.h"
#include "app/DateConv.h"
#include "app/Errors.h"
#include "table/HourMarks.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"

#include <QActionGroup>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineSeries>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTranslator>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {

const QString Caption = QStringLiteral("Vexlor 1.0");

QLabel *label(const QString &text, int left, int top, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->move(left, top - 3); // the label's text, not its box, starts at top
    l->adjustSize();
    return l;
}

template <class Picker = QDateEdit>
Picker *datePicker(const QDate &date, const QRect &place, QWidget *parent)
{
    auto *d = new Picker(date, parent);
    d->setCalendarPopup(true);
    d->setGeometry(place);
    return d;
}

QSpinBox *upDown(int min, int max, int position, const QRect &place, QWidget *parent)
{
    auto *s = new QSpinBox(parent);
    s->setRange(min, max);
    s->setValue(position);
    s->setSingleStep(1);
    s->setWrapping(false);
    // 1,000 and more with the locale's thousands separator, also where the
    // locale (C) leaves it out by default.
    QLocale locale = s->locale();
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    s->setLocale(locale);
    s->setGroupSeparatorShown(true);
    s->setGeometry(place);
    // The edit is read-only: the value changes only through the arrows.
    if (auto *edit = s->findChild<QLineEdit *>())
        edit->setReadOnly(true);
    return s;
}

} // namespace

// The pictures live in the static GUI library, whose resources are not
// registered by themselves.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
    // The designed font is not on this platform; Liberation Sans has the
    // narrow metrics the window's layout was made for.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"),
                                QStringLiteral("DejaVu Sans Condensed"),
                                QStringLiteral("DejaVu Sans")});
}

TfrmMain::TfrmMain(Dialogs &dialogs, const QString &exeDir) : m_dialogs(dialogs)
{
    initResources();
    ExeDir = exeDir;
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    setWindowTitle(QStringLiteral("VEXLOR"));

    createMenu();
    createToolBar();
    PageControl1 = new QTabWidget(this);
    PageControl1->setDocumentMode(false);
    createDataPage();
    createGraphPage();
    createColorgrammePage();
    createReportPage();
    createStackedPage();
    setCentralWidget(PageControl1);
    createStatusBar();
    connectHandlers();

    resize(870, 500);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    guarded([this] { FormCreate(); });
    PageControl1->setCurrentIndex(0);
    // Files can be dropped on the window; its place, page and folders are
    // those of the last run, when it remembered them.
    setAcceptDrops(true);
    guarded([this] {
        restoreFolders();
        restoreWindowPlace();
    });
    // The keys start in the table, not on the page tabs, where the arrow
    // keys would switch pages instead of moving the cursor.
    if (dataPageActive())
        strGrid->setFocus(Qt::OtherFocusReason);
}

TfrmMain::~TfrmMain()
{
    // The table's history goes with the grid, after this window's own part:
    // what it says on its way must not reach the caption.
    if (Table)
        disconnect(&Table->history(), nullptr, this, nullptr);
}

// ---- construction ---------------------------------------------------------

void TfrmMain::createMenu()
{
    QMenuBar *MainM = menuBar();
    File1 = MainM->addMenu(QStringLiteral("&File"));
    New1 = File1->addAction(QIcon(QStringLiteral(":/icons/new.svg")), QStringLiteral("&New"));
    N1 = File1->addSeparator();
    OpenTXT1 =
        File1->addAction(QIcon(QStringLiteral(":/icons/open.svg")), QStringLiteral("&Open (TXT)"));
    OpenXLS1 =
        File1->addAction(QIcon(QStringLiteral(":/icons/open.svg")), QStringLiteral("Op&en (XLS)"));
    Import1 = File1->addAction(QIcon(QStringLiteral(":/icons/import.svg")), QString());
    Import1->setProperty(LanguageText, int(Text::ImportItem));
    ImportColumns1 = File1->addAction(QString());
    ImportColumns1->setProperty(LanguageText, int(Text::ImportColumnsItem));
    Recent1 = File1->addMenu(QString());
    Recent1->menuAction()->setProperty(LanguageText, int(Text::RecentMenu));
    N2 = File1->addSeparator();
    Save1 = File1->addAction(QIcon(QStringLiteral(":/icons/save.svg")), QString());
    Save1->setProperty(LanguageText, int(Text::SaveItem));
    SaveTXT1 =
        File1->addAction(QIcon(QStringLiteral(":/icons/save.svg")), QStringLiteral("&Save (TXT)"));
    SaveXLS1 =
        File1->addAction(QIcon(QStringLiteral(":/icons/save.svg")), QStringLiteral("S&ave (XLS)"));
    ExportNetwork1 = File1->addAction(QString());
    ExportNetwork1->setProperty(LanguageText, int(Text::ExportNetworkItem));
    N3 = File1->addSeparator();
    Exit1 = File1->addAction(QStringLiteral("E&xit"));

    Configuration1 = MainM->addMenu(QStringLiteral("Configuration"));
    GridBackGroundColor1 = Configuration1->addAction(QStringLiteral("Grid BackGround Color"));
    GridAxisColor1 = Configuration1->addAction(QStringLiteral("Grid Axis Color"));
    Station1 = Configuration1->addAction(QString());
    Station1->setProperty(LanguageText, int(Text::StationItem));

    Language1 = MainM->addMenu(QStringLiteral("Language"));
    LanguageGroup = new QActionGroup(this);
    LanguageGroup->setExclusive(true);
    English1 = Language1->addAction(QStringLiteral("E&nglish"));
    Russian1 = Language1->addAction(QStringLiteral("&Russian"));
    for (QAction *item : {English1, Russian1}) {
        item->setCheckable(true);
        LanguageGroup->addAction(item);
    }
    English1->setChecked(true);
    m_checkedLanguage = English1;

    // Edit and Analysis stand between File and Configuration, Help last
    // with About; About1 keeps its key M4 there.
    createDesktopMenus();
    About1 = Help1->addAction(QStringLiteral("&About"));

    // Until a language is applied, the English texts of the X items.
    for (QAction *top : MainM->actions()) {
        if (const QVariant extra = top->property(LanguageText); extra.isValid())
            top->setText(text(Text(extra.toInt())));
        if (QMenu *sub = top->menu())
            for (QAction *a : sub->actions())
                if (const QVariant extra = a->property(LanguageText); extra.isValid())
                    a->setText(text(Text(extra.toInt())));
    }

    // The keys desktop programs use, shown in the menus.
    New1->setShortcut(QKeySequence::New);
    OpenTXT1->setShortcut(QKeySequence::Open);
    Import1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    Save1->setShortcut(QKeySequence::Save);
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    Exit1->setShortcutContext(Qt::ApplicationShortcut);
}

void TfrmMain::createToolBar()
{
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar")); // its place is remembered by name
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setIconSize(QSize(24, 24));
    ToolBar->setFixedHeight(35);
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar);

    // Buttons show pictures only; a button's tool tip comes from the language
    // file by its tag, so the actions carry no text that Qt would show instead.
    auto button = [this](int tag, const char *icon) {
        QAction *a = ToolBar->addAction(
            QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))), QString());
        a->setData(tag);
        if (QWidget *w = ToolBar->widgetForAction(a))
            w->setFixedSize(31, 30);
        return a;
    };
    tbNew = button(0, "new");
    ToolBar->addSeparator();
    tbOpnTxt = button(1, "open");
    tbOpnXls = button(2, "open");
    tbImport = button(-1, "import");
    tbImport->setProperty(LanguageText, int(Text::ImportTip));
    tbImport->setToolTip(text(Text::ImportTip));
    ToolBar->addSeparator();
    tbSavTxt = button(3, "save");
    tbSavXls = button(4, "save");
    ToolBar->addSeparator();
    tbRun = button(5, "run");
    tbAutoCalc = button(6, "autocalc");
    ToolBar->addSeparator();
    tbEdit = button(7, "edit");
    tbEdit->setCheckable(true);
    tbSaveGraph = button(8, "graph");
    tbSaveGraph->setEnabled(false);
}

void TfrmMain::createDataPage()
{
    tsData = new QWidget;
    PageControl1->addTab(tsData, QStringLiteral("DATA"));
    auto *layout = new QVBoxLayout(tsData);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel1 = new QWidget(tsData);
    Panel1->setFixedHeight(41);
    QFont panelFont = font();
    panelFont.setPointSize(10);
    Panel1->setFont(panelFont);
    lBobs = label(QStringLiteral("Begin observation"), 8, 16, Panel1);
    dtp1 = datePicker<DateField>(QDate(2008, 11, 4), QRect(145, 8, 113, 24), Panel1);
    lEobs = label(QStringLiteral("End observation"), 272, 16, Panel1);
    dtp2 = datePicker<DateField>(QDate(2008, 11, 4), QRect(400, 8, 105, 24), Panel1);
    lDataList = label(QStringLiteral("Data column"), 528, 16, Panel1);
    cbDataList = new QComboBox(Panel1);
    cbDataList->setEditable(false);
    cbDataList->setGeometry(640, 8, 145, 24);
    layout->addWidget(Panel1);

    strGrid = new StringGrid(tsData);
    Table = new TableEditor(*strGrid);
    QFont gridFont(QStringLiteral("MS Sans Serif"));
    gridFont.setPointSize(10);
    strGrid->setFont(gridFont);
    layout->addWidget(strGrid, 1);

    // The date cells' editor: a picker on the page, laid over the cell.
    sgDTPick = datePicker(QDate(2008, 11, 5), QRect(8, 64, 89, 21), tsData);
    sgDTPick->hide();
}

void TfrmMain::createGraphPage()
{
    tsGraph = new QWidget;
    PageControl1->addTab(tsGraph, QStringLiteral("GRAPH"));
    auto *layout = new QVBoxLayout(tsGraph);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel2 = new QWidget(tsGraph);
    Panel2->setFixedHeight(57);
    lKa = label(QStringLiteral("Koef. \"a\""), 8, 15, Panel2);
    UpA = upDown(0, 100, 50, QRect(64, 8, 56, 21), Panel2);
    lKb = label(QStringLiteral("Koef. \"b\""), 8, 38, Panel2);
    UpB = upDown(0, 100, 50, QRect(64, 32, 56, 21), Panel2);
    lMaxTime = label(QStringLiteral("Maximum Int"), 136, 15, Panel2);
    UpMInt = upDown(1, 100, 50, QRect(200, 8, 56, 21), Panel2);
    lMax = label(QStringLiteral("Maximum"), 136, 39, Panel2);
    UpMax = upDown(1, 100, 50, QRect(200, 32, 56, 21), Panel2);
    Label2 = label(QStringLiteral("dO="), 272, 16, Panel2);
    lZdO = label(QString(), 304, 16, Panel2);
    lZdO->setMinimumWidth(70);
    // Below dO, in the room left of the lines' group: where the position of
    // the maximum lies in time.
    lMaxTimeAt = label(QString(), 272, 39, Panel2);

    GroupBox1 = new QGroupBox(QStringLiteral("Lines"), Panel2);
    GroupBox1->setGeometry(376, 2, 449, 50);
    auto check = [this](const QString &text, const QRect &place) {
        auto *c = new QCheckBox(text, GroupBox1);
        c->setGeometry(place);
        c->setChecked(true);
        return c;
    };
    auto swatch = [this](int tag, int left) {
        auto *s = new ColorSwatch(tag, GroupBox1);
        s->setGeometry(left, 33, 30, 13);
        return s;
    };
    cbox1 = check(QStringLiteral("Observed"), QRect(8, 16, 89, 17));
    Shape1 = swatch(0, 10);
    cbox2 = check(QStringLiteral("Shower pofile"), QRect(104, 16, 113, 17));
    Shape2 = swatch(1, 106);
    cbox3 = check(QStringLiteral("Shower"), QRect(224, 16, 89, 17));
    Shape3 = swatch(2, 226);
    cbox4 = check(QStringLiteral("Sporadic"), QRect(328, 16, 105, 17));
    Shape4 = swatch(3, 330);
    layout->addWidget(Panel2);

    Chart1 = new QChart;
    Chart1->setTitle(QString());
    Chart1->setBackgroundRoundness(0);
    Chart1->setPlotAreaBackgroundVisible(false);
    // The legend would list no entry (the check boxes name the curves), so it
    // takes no room either.
    Chart1->legend()->setVisible(false);
    LeftAxis = new QValueAxis;
    LeftAxis->setLabelFormat(QStringLiteral("%g"));
    BottomAxis = new QCategoryAxis;
    BottomAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    BottomAxis->setRange(0, 1);
    Chart1->addAxis(BottomAxis, Qt::AlignBottom);
    Chart1->addAxis(LeftAxis, Qt::AlignLeft);
    Chart1View = new QChartView(Chart1, tsGraph);
    Chart1View->setRenderHint(QPainter::Antialiasing);
    Navigator = new ChartNavigator(Chart1View, Chart1, BottomAxis, LeftAxis);
    layout->addWidget(Chart1View, 1);
}

void TfrmMain::createColorgrammePage()
{
    tsColorgramme = new ColorgrammeView;
    PageControl1->addTab(tsColorgramme, text(Text::ColorgrammeTab));
    tsColorgramme->setModel(&strGrid->model());
    tsColorgramme->column = [this] { return countColumn(std::max(0, cbDataList->currentIndex())); };
    tsColorgramme->columnName = [this] { return cbDataList->currentText(); };
    tsColorgramme->guard = [this](const std::function<void()> &work) { guarded(work); };
    tsColorgramme->onCellClicked = [this](int row) { colorgrammeCellClicked(row); };
    tsColorgramme->onSave = [this] { SaveColorgrammeClick(); };
    tsColorgramme->retranslate(m_texts);
}

void TfrmMain::createReportPage()
{
    tsReport = new ReportView;
    PageControl1->addTab(tsReport, text(Text::ReportTab));
    tsReport->guard = [this](const std::function<void()> &work) { guarded(work); };
    tsReport->onSaveReport = [this] { SaveReportClick(); };
    tsReport->onSavePictures = [this] { SaveReportPicturesClick(); };
    tsReport->retranslate(m_texts);
}

void TfrmMain::createStackedPage()
{
    tsStacked = new StackedView;
    PageControl1->addTab(tsStacked, text(Text::StackedTab));
    tsStacked->guard = [this](const std::function<void()> &work) { guarded(work); };
    tsStacked->model = &strGrid->model();
    tsStacked->columnName = [this](int c) { return strGrid->cell(c + 2, 0); };
    tsStacked->stationOf = [this](int c) {
        const Settings::ColumnStation &kept = m_settings.columnStation(c);
        ShowerSeasons::Station station;
        station.name = kept.name;
        station.latitude = kept.latitude;
        station.longitude = kept.longitude;
        return station;
    };
    tsStacked->onStations = [this] { StackedStationsClick(); };
    tsStacked->onSaveNumbers = [this] { SaveStackedNumbersClick(); };
    tsStacked->onSavePicture = [this] { SaveStackedPictureClick(); };
    tsStacked->retranslate(m_texts);
}

void TfrmMain::createStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(19);
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = new StatusPanel(0, 0, StatusBar1);
    StatusPanel1 = new StatusPanel(1, 10, StatusBar1);
    for (StatusPanel *p : {StatusPanel0, StatusPanel1}) {
        p->onDraw = [this](QPainter &canvas, int panel, const QRect &r) {
            guarded([&] { StatusBar1DrawPanel(canvas, panel, r); });
        };
        StatusBar1->addWidget(p);
    }
    // The line of what a command did takes the rest of the bar; the progress
    // panel widens at its left while Auto Calc runs.
    StatusText = new QLabel(StatusBar1);
    StatusText->setTextFormat(Qt::PlainText);
    // A long line is cut at the bar's end; it never widens the window.
    StatusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusBar1->addWidget(StatusText, 1);
    setStatusBar(StatusBar1);
}

void TfrmMain::connectHandlers()
{
    auto on = [this](QAction *action, void (TfrmMain::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    on(New1, &TfrmMain::New1Click);
    on(OpenTXT1, &TfrmMain::OpenTXT1Click);
    on(OpenXLS1, &TfrmMain::OpenXLS1Click);
    on(SaveTXT1, &TfrmMain::SaveTXT1Click);
    on(SaveXLS1, &TfrmMain::SaveXLS1Click);
    on(Exit1, &TfrmMain::Exit1Click);
    on(GridBackGroundColor1, &TfrmMain::GridBackGroundColor1Click);
    on(GridAxisColor1, &TfrmMain::GridAxisColor1Click);
    on(English1, &TfrmMain::English1Click);
    on(Russian1, &TfrmMain::Russian1Click);
    on(About1, &TfrmMain::About1Click);
    on(tbNew, &TfrmMain::tbNewClick);
    on(tbOpnTxt, &TfrmMain::tbOpnTxtClick);
    on(tbOpnXls, &TfrmMain::tbOpnXlsClick);
    on(tbSavTxt, &TfrmMain::tbSavTxtClick);
    on(tbSavXls, &TfrmMain::tbSavXlsClick);
    on(tbRun, &TfrmMain::tbRunClick);
    on(tbAutoCalc, &TfrmMain::tbAutoCalcClick);
    on(tbEdit, &TfrmMain::tbEditClick);
    on(tbSaveGraph, &TfrmMain::tbSaveGraphClick);
    on(ExportCSV1, &TfrmMain::ExportCSV1Click);
    // Export CSV goes with Save Graph: both need the rows of a Run.
    connect(tbSaveGraph, &QAction::enabledChanged, ExportCSV1, &QAction::setEnabled);
    on(SavePicture1, &TfrmMain::SavePicture1Click);
    connectDesktopCommands();
    on(Import1, &TfrmMain::Import1Click);
    on(ImportColumns1, &TfrmMain::ImportColumns1Click);
    on(tbImport, &TfrmMain::Import1Click);
    on(ExportNetwork1, &TfrmMain::ExportNetwork1Click);
    connect(Station1, &QAction::triggered, this, [this] { guarded([this] { Station1Click(); }); });
    connect(cbDataList, &QComboBox::currentIndexChanged, tsColorgramme, &ColorgrammeView::refresh);
    connect(tbSaveGraph, &QAction::enabledChanged, SavePicture1, &QAction::setEnabled);
    Table->refuse = [this](const QString &text) { showMessage(text, MB_ICONWARNING); };
    Table->guard = [this](const std::function<void()> &work) { guarded(work); };
    Table->askWords = [this]() -> std::optional<QString> {
        const std::optional<QStringList> answer =
            m_dialogs.editFields(this, text(Text::MarkHoursMenu).remove(u'&'),
                                 {text(Text::MarkWordsLabel)}, {QString()}, text(Text::Cancel));
        return answer ? std::optional(answer->value(0)) : std::nullopt;
    };
    Table->wait = [this](const std::function<bool()> &finished) {
        return m_dialogs.waitFor(this, text(Text::Computing), text(Text::Cancel), finished);
    };
    connect(&Table->history(), &TableHistory::changedStateChanged, this,
            [this] { updateCaption(); });

    // The Edit button shows the editing mode, however the mode changed.
    connect(strGrid, &StringGrid::editingChanged, tbEdit, &QAction::setChecked);

    for (ColorSwatch *s : {Shape1, Shape2, Shape3, Shape4})
        s->onMouseDown = [this](ColorSwatch *sender) { guarded([&] { Shape1MouseDown(sender); }); };

    strGrid->onSelectCell = [this](int col, int row) {
        bool allow = true;
        guarded([&] { allow = strGridSelectCell(col, row); });
        return allow;
    };
    strGrid->onDrawCell = [this](QPainter &canvas, int col, int row, const QRect &r,
                                 const QColor &bg) {
        guarded([&] { strGridDrawCell(canvas, col, row, r, bg); });
    };
    strGrid->model().markTip = [this](QStringView mark) {
        return text(Text::MarkedTip).arg(HourMarks::describe(mark, m_texts));
    };
    strGrid->onKeyDown = [this](int &key) { guarded([&] { strGridKeyDown(key); }); };
    strGrid->onKeyPress = [this](QChar &key) {
        // A failing key-press handler discards its character.
        bool ok = false;
        guarded([&] {
            strGridKeyPress(key);
            ok = true;
        });
        if (!ok)
            key = QChar();
    };
    sgDTPick->installEventFilter(this);
    // A date the user picks or types (setDate by the window comes before
    // the edit is recorded, and then resets it).
    connect(sgDTPick, &QDateEdit::dateChanged, this, [this] {
        if (sgDTPick->isVisible())
            m_pickerEdit.chosen = true;
    });
}

// ---- helpers --------------------------------------------------------------

void TfrmMain::reportException(std::exception_ptr error) noexcept
{
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        text = failureText(e);
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    try {
        m_dialogs.errorBox(this, text);
    } catch (...) {
        // Nothing may leave a Qt frame, not even a failing error box.
    }
}

void TfrmMain::showMessage(const QString &text, int flags)
{
    m_dialogs.messageBox(this, Caption, text, flags);
}

bool TfrmMain::dataPageActive() const
{
    return PageControl1->currentIndex() == 0;
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (m_searching) {
        m_closeRequested = true;
        event->ignore();
        return;
    }
    // A changed table is not left without asking; a failed save keeps it.
    bool leave = false;
    guarded([&] { leave = confirmLeave(); });
    if (leave) {
        saveWindowPlace();
        if (m_help)
            m_help->close();
        event->accept();
    } else {
        event->ignore();
    }
}

// ---- start-up -------------------------------------------------------------

void TfrmMain::FormCreate()
{
    setWindowTitle(Caption);
    if (ExeDir.isEmpty())
        ExeDir = QCoreApplication::applicationDirPath();
    // One reading of the settings file serves the whole start, the
    // language's texts included.
    m_settings = Settings(Settings::locate(ExeDir));
    m_settings.read();

    // Our own addition: a fixed date format for the table, otherwise the
    // locale's short format.
    DateConv::setFormat(m_settings.dateFormat());
    for (QDateEdit *picker : {dtp1, dtp2, sgDTPick})
        picker->setDisplayFormat(DateConv::format());

    SetLanguage(m_settings.language());

    for (ColorSwatch *shape : {Shape1, Shape2, Shape3, Shape4})
        shape->setBrushColor(m_settings.lineColor(shape->tag()));
    Chart1->setBackgroundBrush(m_settings.background());
    BottomAxis->setGridLineColor(m_settings.axisGrid());
    LeftAxis->setGridLineColor(m_settings.axisGrid());
}

// ---- languages ------------------------------------------------------------

void TfrmMain::applyCaption(QAction *item, const QString &value)
{
    if (value.isEmpty())
        return;
    // "-" makes an item a separator line; any other text makes it an
    // ordinary item, a separator included.
    if (value == QLatin1String("-")) {
        item->setSeparator(true);
        return;
    }
    item->setSeparator(false);
    item->setText(value);
}

void TfrmMain::SetLanguage(const QString &code)
{
    if (code.isEmpty())
        return;
    // The section as the settings file holds it now: the start's reading,
    // or a new one after a setting was written.
    m_texts = m_settings.texts(code);
    if (code == QLatin1String("en"))
        English1->setChecked(true);
    else if (code == QLatin1String("ru"))
        Russian1->setChecked(true);
    m_checkedLanguage = LanguageGroup->checkedAction();

    // The M keys name the items of the first design by their places: the
    // top-level items File, Configuration, Language and About (which now
    // stands in Help), and the items of their submenus. Items added later
    // take their texts from the X keys and are not counted, so that M keys
    // of stored files still name the items they named.
    const std::array<QAction *, 4> topLevel = {File1->menuAction(), Configuration1->menuAction(),
                                               Language1->menuAction(), About1};
    for (size_t i = 0; i < topLevel.size(); ++i) {
        QAction *item = topLevel[i];
        applyCaption(item, m_texts.menu(int(i) + 1));
        if (QMenu *sub = item->menu()) {
            int k = 0;
            for (QAction *entry : sub->actions()) {
                if (const QVariant extra = entry->property(LanguageText); extra.isValid())
                    entry->setText(text(Text(extra.toInt())));
                else
                    applyCaption(entry, m_texts.menu(int(i) + 1, k++));
            }
        }
    }
    for (QMenu *later : {Edit1, Analysis1, Help1}) {
        later->setTitle(text(Text(later->menuAction()->property(LanguageText).toInt())));
        for (QAction *entry : later->actions())
            if (const QVariant extra = entry->property(LanguageText); extra.isValid())
                entry->setText(text(Text(extra.toInt())));
    }
    updateRecentMenu();
    // Qt's own texts: the buttons and labels of the file dialogs and boxes.
    loadQtTexts();

    // PC keys name the first two pages; later pages take X texts.
    for (int p = 0; p < 2; ++p) {
        const QString caption = m_texts.tab(p + 1);
        if (!caption.isEmpty())
            PageControl1->setTabText(p, caption);
    }
    PageControl1->setTabText(PageControl1->indexOf(tsColorgramme), text(Text::ColorgrammeTab));
    tsColorgramme->retranslate(m_texts);
    PageControl1->setTabText(PageControl1->indexOf(tsReport), text(Text::ReportTab));
    tsReport->retranslate(m_texts);
    PageControl1->setTabText(PageControl1->indexOf(tsStacked), text(Text::StackedTab));

    for (QAction *button : ToolBar->actions()) {
        if (const QVariant extra = button->property(LanguageText); extra.isValid())
            button->setToolTip(text(Text(extra.toInt())));
        else if (!button->isSeparator())
            button->setToolTip(m_texts.toolTip(button->data().toInt()));
    }

    strGrid->horizontalHeader()->setFixedHeight(25);
    cbDataList->clear();
    for (int c = 0; c < strGrid->colCount(); ++c) {
        const QString header = m_texts.header(c);
        if (!header.isEmpty())
            strGrid->setCell(c, 0, header);
        if (c >= 2 && c != strGrid->colCount() - 1) {
            strGrid->setColumnWidth(c, 60);
            cbDataList->addItem(strGrid->cell(c, 0));
        }
    }
    if (cbDataList->count() > 0)
        cbDataList->setCurrentIndex(0);

    using Label = LanguageTexts::Label;
    const std::array<std::pair<Label, QWidget *>, LanguageTexts::LabelCount> labels = {{
        {Label::BeginObservation, lBobs},
        {Label::EndObservation, lEobs},
        {Label::CoefficientA, lKa},
        {Label::CoefficientB, lKb},
        {Label::MaximumPosition, lMaxTime},
        {Label::Maximum, lMax},
        {Label::Lines, GroupBox1},
        {Label::Observed, cbox1},
        {Label::ShowerProfile, cbox2},
        {Label::Shower, cbox3},
        {Label::Sporadic, cbox4},
        {Label::DataColumn, lDataList},
    }};
    for (const auto &[key, control] : labels) {
        const QString caption = m_texts.label(key);
        if (auto *l = qobject_cast<QLabel *>(control)) {
            l->setText(caption);
            l->adjustSize();
        } else if (auto *g = qobject_cast<QGroupBox *>(control)) {
            g->setTitle(caption);
        } else if (auto *c = qobject_cast<QCheckBox *>(control)) {
            c->setText(caption);
        }
    }
    fitCaptions();
    Table->retranslate(m_texts);
    tsStacked->retranslate(m_texts); // after the headers: its columns take their names
    Navigator->setTexts(text(Text::ReadoutRow), m_texts.locale());
    lMaxTimeAt->setToolTip(text(Text::PositionAtTip));
    updatePositionRow();
}

void TfrmMain::fitCaptions()
{
    // The controls of a panel stand in columns from left to right at their
    // designed places; a caption longer than its place (another language,
    // a wider font) moves what follows it to the right, so that no caption
    // runs under the control beside it.
    const std::vector<std::vector<QWidget *>> dataRow = {{lBobs}, {dtp1},      {lEobs},
                                                         {dtp2},  {lDataList}, {cbDataList}};
    const std::vector<std::vector<QWidget *>> graphRow = {
        {lKa, lKb}, {UpA, UpB}, {lMaxTime, lMax}, {UpMInt, UpMax}, {Label2}, {lZdO}, {GroupBox1}};
    // The position's date and hour stand under "dO=", in the room up to the
    // lines' group, which they do not push.
    auto placeBelowDeviation = [this] {
        lMaxTimeAt->move(Label2->x(), lMaxTimeAt->y());
        lMaxTimeAt->setFixedWidth(std::max(0, GroupBox1->x() - Label2->x() - 4));
    };
    for (const auto *columns : {&dataRow, &graphRow}) {
        int right = 0; // the right edge of the column before
        bool afterLabel = false;
        for (const std::vector<QWidget *> &column : *columns) {
            int widest = 0;
            for (QWidget *w : column) {
                if (!w->property("designedX").isValid())
                    w->setProperty("designedX", w->x());
                const int gap = right == 0 ? 0 : (afterLabel ? 6 : 14);
                w->move(std::max(w->property("designedX").toInt(), right + gap), w->y());
                widest = std::max(widest, w->x() + std::max(w->width(), w->minimumWidth()));
            }
            right = widest;
            afterLabel = qobject_cast<QLabel *>(column.front()) != nullptr;
        }
    }
    placeBelowDeviation();
}

void TfrmMain::chooseLanguage(const QString &code)
{
    // The radio item must not move by the click itself: only the loader sets
    // it, after the choice has been stored.
    if (m_checkedLanguage)
        m_checkedLanguage->setChecked(true);
    m_settings.setLanguage(code);
    SetLanguage(code);
}

void TfrmMain::English1Click()
{
    chooseLanguage(QStringLiteral("en"));
}

void TfrmMain::Russian1Click()
{
    chooseLanguage(QStringLiteral("ru"));
}

// ---- shell handlers -------------------------------------------------------

void TfrmMain::About1Click()
{
    m_dialogs.messageBox(this, text(Text::AboutCaption),
                         QStringLiteral("Vexlor 1.0 32 bit (10.11.2008)"), MB_ICONINFORMATION);
}

void TfrmMain::Exit1Click()
{
    close();
}

void TfrmMain::StatusBar1DrawPanel(QPainter &canvas, int panel, const QRect &rect)
{
    if (panel == 0)
        canvas.fillRect(rect, Colors::fromValue(Colors::Blue));
}
