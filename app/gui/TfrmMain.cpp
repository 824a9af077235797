// The main window: construction, start-up, languages and the shell's handlers.
#include "TfrmMain.h"

#include "Widgets.h"
#include "analysis/gui/ChartNavigator.h"
#include "analysis/gui/ColorgrammeView.h"
#include "analysis/gui/ReportView.h"
#include "app/Colors.h"
#include "app/DateConv.h"
#include "app/Errors.h"
#include "files/BackgroundRead.h"
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

QDateEdit *datePicker(const QDate &date, const QRect &place, QWidget *parent)
{
    auto *d = new QDateEdit(date, parent);
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
    setCentralWidget(PageControl1);
    createStatusBar();
    connectHandlers();

    resize(870, 500);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    guarded([this] { FormCreate(); });
    PageControl1->setCurrentIndex(0);
}

TfrmMain::~TfrmMain()
{
    // The table's history goes with the grid, after this window's own part:
    // what it says on its way must not reach the caption.
    if (Table)
        disconnect(&Table->history(), nullptr, this, nullptr);
}

QString TfrmMain::settingsPath() const
{
    return ExeDir + QStringLiteral("/VEXLOR.ini");
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
    Import1->setProperty("extraText", 22);
    N2 = File1->addSeparator();
    SaveTXT1 =
        File1->addAction(QIcon(QStringLiteral(":/icons/save.svg")), QStringLiteral("&Save (TXT)"));
    SaveXLS1 =
        File1->addAction(QIcon(QStringLiteral(":/icons/save.svg")), QStringLiteral("S&ave (XLS)"));
    ExportCSV1 = File1->addAction(QStringLiteral("Export CSV..."));
    ExportCSV1->setProperty("extraText", 18);
    ExportCSV1->setEnabled(false);
    SavePicture1 = File1->addAction(QStringLiteral("Save Picture..."));
    SavePicture1->setProperty("extraText", 20);
    SavePicture1->setEnabled(false);
    ExportNetwork1 = File1->addAction(QString());
    ExportNetwork1->setProperty("extraText", 30);
    N3 = File1->addSeparator();
    Exit1 = File1->addAction(QStringLiteral("E&xit"));

    Configuration1 = MainM->addMenu(QStringLiteral("Configuration"));
    GridBackGroundColor1 = Configuration1->addAction(QStringLiteral("Grid BackGround Color"));
    GridAxisColor1 = Configuration1->addAction(QStringLiteral("Grid Axis Color"));
    Station1 = Configuration1->addAction(QString());
    Station1->setProperty("extraText", 31);
    for (QAction *a : {Import1, ExportNetwork1, Station1})
        a->setText(extraText(a->property("extraText").toInt()));

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

    About1 = MainM->addAction(QStringLiteral("&About"));
}

void TfrmMain::createToolBar()
{
    ToolBar = new QToolBar(this);
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
    tbImport->setProperty("extraText", 59);
    tbImport->setToolTip(extraText(59));
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
    dtp1 = datePicker(QDate(2008, 11, 4), QRect(145, 8, 113, 24), Panel1);
    lEobs = label(QStringLiteral("End observation"), 272, 16, Panel1);
    dtp2 = datePicker(QDate(2008, 11, 4), QRect(400, 8, 105, 24), Panel1);
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
    PageControl1->addTab(tsColorgramme, extraText(33));
    tsColorgramme->setModel(&strGrid->model());
    tsColorgramme->column = [this] { return countColumn(std::max(0, cbDataList->currentIndex())); };
    tsColorgramme->columnName = [this] { return cbDataList->currentText(); };
    tsColorgramme->text = [this](int n) { return extraText(n); };
    tsColorgramme->guard = [this](const std::function<void()> &work) { guarded(work); };
    tsColorgramme->onCellClicked = [this](int row) { colorgrammeCellClicked(row); };
    tsColorgramme->onSave = [this] { SaveColorgrammeClick(); };
    tsColorgramme->retranslate();
}

void TfrmMain::createReportPage()
{
    tsReport = new ReportView;
    PageControl1->addTab(tsReport, extraText(62));
    tsReport->text = [this](int n) { return extraText(n); };
    tsReport->guard = [this](const std::function<void()> &work) { guarded(work); };
    tsReport->onSaveReport = [this] { SaveReportClick(); };
    tsReport->onSavePictures = [this] { SaveReportPicturesClick(); };
    tsReport->retranslate();
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
    on(Import1, &TfrmMain::Import1Click);
    on(tbImport, &TfrmMain::Import1Click);
    on(ExportNetwork1, &TfrmMain::ExportNetwork1Click);
    connect(Station1, &QAction::triggered, this, [this] { guarded([this] { Station1Click(); }); });
    connect(cbDataList, &QComboBox::currentIndexChanged, tsColorgramme, &ColorgrammeView::refresh);
    connect(tbSaveGraph, &QAction::enabledChanged, SavePicture1, &QAction::setEnabled);
    Table->text = [this](int n) { return extraText(n); };
    Table->refuse = [this](const QString &text) { showMessage(text, MB_ICONWARNING); };
    Table->guard = [this](const std::function<void()> &work) { guarded(work); };
    connect(&Table->history(), &TableHistory::changedStateChanged, this,
            [this] { updateCaption(); });

    // The Edit button shows the editing mode, however the mode changed.
    connect(strGrid, &StringGrid::editingChanged, tbEdit, &QAction::setChecked);
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this] { guarded([this] { PageControl1Change(); }); });

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

void TfrmMain::prepareOpenDialog(const QString &filter)
{
    OpenDialog1.filter = filter;
    if (OpenDialog1.initialDir.isEmpty())
        OpenDialog1.initialDir = ExeDir;
}

void TfrmMain::prepareSaveDialog(const QString &filter)
{
    SaveDialog1.filter = filter;
    if (SaveDialog1.initialDir.isEmpty())
        SaveDialog1.initialDir = OpenDialog1.initialDir.isEmpty() ? ExeDir : OpenDialog1.initialDir;
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
    if (leave)
        event->accept();
    else
        event->ignore();
}

// ---- start-up -------------------------------------------------------------

void TfrmMain::FormCreate()
{
    setWindowTitle(Caption);
    if (ExeDir.isEmpty())
        ExeDir = QCoreApplication::applicationDirPath();
    IniFile ini = settings();
    const QString language =
        ini.readString(QStringLiteral("self"), QStringLiteral("Language"), QString());

    // Our own addition: a fixed date format for the table, otherwise the
    // locale's short format.
    DateConv::setFormat(
        ini.readString(QStringLiteral("self"), QStringLiteral("DateFormat"), QString()));
    for (QDateEdit *picker : {dtp1, dtp2, sgDTPick})
        picker->setDisplayFormat(DateConv::format());

    SetLanguage(language);

    const std::array<std::pair<ColorSwatch *, int>, 4> swatches = {{{Shape1, Colors::Blue},
                                                                    {Shape2, Colors::Red},
                                                                    {Shape3, Colors::Yellow},
                                                                    {Shape4, Colors::DarkGreen}}};
    for (const auto &[shape, def] : swatches)
        shape->setBrushColor(Colors::fromValue(ini.readInteger(
            QStringLiteral("self"), QStringLiteral("SH%1").arg(shape->tag()), def)));

    Chart1->setBackgroundBrush(Colors::fromValue(
        ini.readInteger(QStringLiteral("self"), QStringLiteral("GBC"), Colors::White)));
    BottomAxis->setGridLineColor(Colors::fromValue(
        ini.readInteger(QStringLiteral("self"), QStringLiteral("GAGC"), Colors::Black)));
    LeftAxis->setGridLineColor(Colors::fromValue(
        ini.readInteger(QStringLiteral("self"), QStringLiteral("GAGC"), Colors::Black)));
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
    IniFile ini = settings();
    if (code.isEmpty())
        return;
    if (code == QLatin1String("en"))
        English1->setChecked(true);
    else if (code == QLatin1String("ru"))
        Russian1->setChecked(true);
    m_checkedLanguage = LanguageGroup->checkedAction();
    m_language = code;

    auto value = [&](const QString &key) { return ini.readString(code, key, QString()); };

    const QList<QAction *> topLevel = menuBar()->actions();
    for (int i = 0; i < topLevel.size(); ++i) {
        QAction *item = topLevel[i];
        applyCaption(item, value(QStringLiteral("M%1").arg(i + 1)));
        if (QMenu *sub = item->menu()) {
            // Items added after the language files' menu keys take their texts
            // from the X keys and are not counted, so that M keys of stored
            // files still name the items they named.
            int k = 0;
            for (QAction *entry : sub->actions()) {
                if (const QVariant extra = entry->property("extraText"); extra.isValid())
                    entry->setText(extraText(extra.toInt()));
                else
                    applyCaption(entry, value(QStringLiteral("M%1%2").arg(i + 1).arg(k++)));
            }
        }
    }

    // PC keys name the first two pages; later pages take X texts.
    for (int p = 0; p < 2; ++p) {
        QString text = value(QStringLiteral("PC%1").arg(p + 1));
        if (!text.isEmpty())
            PageControl1->setTabText(p, text);
    }
    PageControl1->setTabText(PageControl1->indexOf(tsColorgramme), extraText(33));
    tsColorgramme->retranslate();
    PageControl1->setTabText(PageControl1->indexOf(tsReport), extraText(62));
    tsReport->retranslate();

    for (QAction *button : ToolBar->actions()) {
        if (const QVariant extra = button->property("extraText"); extra.isValid())
            button->setToolTip(extraText(extra.toInt()));
        else if (!button->isSeparator())
            button->setToolTip(value(QStringLiteral("TB%1").arg(button->data().toInt())));
    }

    strGrid->horizontalHeader()->setFixedHeight(25);
    cbDataList->clear();
    for (int c = 0; c < strGrid->colCount(); ++c) {
        QString text = value(QStringLiteral("SG%1").arg(c));
        if (!text.isEmpty())
            strGrid->setCell(c, 0, text);
        if (c >= 2 && c != strGrid->colCount() - 1) {
            strGrid->setColumnWidth(c, 60);
            cbDataList->addItem(strGrid->cell(c, 0));
        }
    }
    if (cbDataList->count() > 0)
        cbDataList->setCurrentIndex(0);

    for (int n = 1; n <= 20; ++n)
        Messages[static_cast<size_t>(n - 1)] = value(QStringLiteral("MSG%1").arg(n));

    const std::array<std::tuple<const char *, QWidget *, const char *>, 12> labels = {{
        {"L1", lBobs, "Begin observation"},
        {"L2", lEobs, "End observation"},
        {"L3", lKa, "Koef. \"a\""},
        {"L4", lKb, "Koef. \"b\""},
        {"L5", lMaxTime, "Maximum Int."},
        {"L6", lMax, "Maximum"},
        {"L7", GroupBox1, "Line"},
        {"L8", cbox1, "Observed"},
        {"L9", cbox2, "Shower profile"},
        {"L10", cbox3, "Shower"},
        {"L11", cbox4, "Sporadic"},
        {"L12", lDataList, "Data Column"},
    }};
    for (const auto &[key, control, builtIn] : labels) {
        QString text = ini.readString(code, QLatin1String(key), QString::fromUtf8(builtIn));
        if (auto *l = qobject_cast<QLabel *>(control)) {
            l->setText(text);
            l->adjustSize();
        } else if (auto *g = qobject_cast<QGroupBox *>(control)) {
            g->setTitle(text);
        } else if (auto *c = qobject_cast<QCheckBox *>(control)) {
            c->setText(text);
        }
    }
    fitCaptions();
    Table->retranslate();
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
}

QString TfrmMain::extraText(int n) const
{
    // Index n - 1; the English texts where a settings file has none.
    static const char *const English[] = {
        "Reading %1 …",
        "Cancel",
        "The table has changed since it was last opened or saved. Save the changes?",
        "Save",
        "Discard",
        "Undo",
        "Redo",
        "Copy",
        "Paste",
        "Insert row",
        "Delete rows",
        "The cells cannot be pasted: row %1, column %2 would get '%3', which is %4.",
        "not a date of the form %1",
        "not a whole number from 0 to 23",
        "not a whole number of 0 or more",
        "past the table's last column",
        "Row %1, column %2",
        "Export CSV...",
        "CSV files|*.csv|All files|*.*",
        "Save Picture...",
        "PNG picture|*.png|SVG drawing|*.svg|PDF document|*.pdf",
        "Import...",
        "Count files|*.txt *.TXT *.dat *.DAT *.sta *.STA *.csv *.CSV|All files|*",
        "Files imported: %1; hours: %2; days: %3.",
        "No hour is missing between the first and the last.",
        "Hours missing between the first and the last: %1.",
        "%1 from %2h UT: %3 h",
        "Gaps not listed: %1.",
        "The files hold no hours.",
        "Export for Network...",
        "Station...",
        "Wrote %1 files to %2:",
        "COLORGRAMME",
        "Hour (UT)",
        "no count",
        "The table has no hours with a date, an hour and a count in %1.",
        "The table's dates span %1 days, too many to draw.",
        "The table has no counts in %1 to export.",
        "PNG picture|*.png",
        "%1, %2h UT: %3",
        "%1, %2h UT: no count",
        "%1, %2 to %3",
        "Observer",
        "Country",
        "City",
        "Longitude (degrees, east positive)",
        "Latitude (degrees, north positive)",
        "Frequencies",
        "Antenna",
        "Antenna azimuth",
        "Antenna elevation",
        "Pre-amplifier",
        "Receiver",
        "Observing method",
        "Remarks",
        "Soft FTP",
        "E-mail",
        "Station",
        "Import count files",
        "The network's file names need the observer's name: enter it in the Station dialog.",
        "Choose the folder for the network's files",
        "REPORT",
        "Maximum: %1 %2h UT (row offset %3)",
        "Solar longitude λ☉ (J2000.0): %1°",
        "The maximum's row lies outside the rows of the range.",
        "Rise a: %1 rows, decay b: %2 rows, full width at half maximum: %3 rows.",
        "Rows are hours where the range has no gaps; it misses %1 hours.",
        "dO: %1",
        "Replicates",
        "Seed",
        "Bootstrap",
        "Position profile",
        "Bootstrap: %1 replicates answered (%2 failed) in %3 s.",
        "%1 %: a %2 to %3, b %4 to %5, position %6 to %7 (%8 to %9), λ☉ %10° to %11°.",
        "Position profile: the best position is %1 (%2), dO %3; %4 positions lie within 1 % of it.",
        "The data do not determine the maximum's position: the profile's best lies outside Auto "
        "Calc's window.",
        "The data do not determine the maximum's position: the profile stays within 1 % of its "
        "minimum over %1 positions.",
        "Save Report...",
        "Text file|*.txt|CSV file|*.csv|All files|*",
        "Save Pictures...",
        "Position of the maximum in %1 replicates",
        "Best dO at each position",
        "dO over a and b at position %1",
        "position",
        "replicates",
        "Run the fit to see its report.",
        "Cancelled after %1 of %2.",
        "Auto Calc's window",
        "Press Bootstrap or Position profile to compute this.",
        "Picture size",
        "Width (pixels)",
        "Height (pixels)",
        "A picture is 200 to 10000 pixels wide and 150 to 10000 pixels high.",
    };
    const QString builtIn =
        n >= 1 && n <= int(std::size(English)) ? QString::fromUtf8(English[n - 1]) : QString();
    if (m_language.isEmpty())
        return builtIn;
    return settings().readString(m_language, QStringLiteral("X%1").arg(n), builtIn);
}

void TfrmMain::chooseLanguage(const QString &code)
{
    // The radio item must not move by the click itself: only the loader sets
    // it, after the choice has been stored.
    if (m_checkedLanguage)
        m_checkedLanguage->setChecked(true);
    settings().writeString(QStringLiteral("self"), QStringLiteral("Language"), code);
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
    m_dialogs.messageBox(this, QStringLiteral("About VEXLOR"),
                         QStringLiteral("Vexlor 1.0 32 bit (10.11.2008)"), MB_ICONINFORMATION);
}

void TfrmMain::Exit1Click()
{
    close();
}

void TfrmMain::PageControl1Change()
{
    // Switching pages has no side effect.
}

void TfrmMain::StatusBar1DrawPanel(QPainter &canvas, int panel, const QRect &rect)
{
    if (panel == 0)
        canvas.fillRect(rect, Colors::fromValue(Colors::Blue));
}
