// What makes the window a desktop program: the Edit, Analysis and Help
// menus and their keys, the status line, each file command's own dialog and
// folder, the recent files, files dropped on the window or named on its
// command line, the window's remembered place, the manual, and Qt's own
// texts in the language applied.
#include "HelpWindow.h"
#include "TfrmMain.h"
#include "Widgets.h"
#include "analysis/RunPipeline.h"
#include "app/DateConv.h"
#include "app/Errors.h"
#include "app/FileFilter.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <QTranslator>

// ---- menus ------------------------------------------------------------------

void TfrmMain::createDesktopMenus()
{
    QMenuBar *MainM = menuBar();
    auto menu = [this, MainM](Text title, QAction *before) {
        auto *m = new QMenu(this);
        m->menuAction()->setProperty(LanguageText, int(title));
        if (before)
            MainM->insertMenu(before, m);
        else
            MainM->addMenu(m);
        return m;
    };
    auto item = [this](QMenu *m, Text caption, const QList<QKeySequence> &keys) {
        QAction *a = m->addAction(QString());
        a->setProperty(LanguageText, int(caption));
        a->setShortcuts(keys);
        return a;
    };
    // The table's commands come in with the table (connectDesktopCommands).
    Edit1 = menu(Text::EditMenu, Configuration1->menuAction());

    Analysis1 = menu(Text::AnalysisMenu, Configuration1->menuAction());
    Run1 = item(Analysis1, Text::RunItem, {QKeySequence(Qt::Key_F5)});
    AutoCalc1 = item(Analysis1, Text::AutoCalcItem,
                     {QKeySequence(Qt::Key_F6), QKeySequence(Qt::CTRL | Qt::Key_F5)});
    Analysis1->addSeparator();
    SaveGraph1 = item(Analysis1, Text::SaveGraphItem, {QKeySequence(Qt::CTRL | Qt::Key_G)});
    SaveGraph1->setEnabled(false);
    SavePicture1 = item(Analysis1, Text::SavePictureItem, {});
    SavePicture1->setEnabled(false);
    ExportCSV1 = item(Analysis1, Text::ExportCsvItem, {});
    ExportCSV1->setEnabled(false);

    Help1 = menu(Text::HelpMenu, nullptr);
    Manual1 = item(Help1, Text::ManualItem, {QKeySequence::HelpContents});
    Manual1->setShortcutContext(Qt::ApplicationShortcut);
    Help1->addSeparator();

    ClearRecent1 = new QAction(this);
    ClearRecent1->setProperty(LanguageText, int(Text::ClearRecentItem));
}

void TfrmMain::connectDesktopCommands()
{
    // Edit: the table's commands, the rows, the marks, and the editing switch.
    Edit1->addActions({Table->undo, Table->redo});
    Edit1->addSeparator();
    Edit1->addActions({Table->cut, Table->copy, Table->paste});
    Edit1->addSeparator();
    Edit1->addActions({Table->insertRow, Table->deleteRows});
    // Marking hours as disturbed: the grid's context menu's items, so that
    // both do one step of the history the same way.
    Edit1->addSeparator();
    Edit1->addActions({Table->markHours, Table->unmarkHours});
    EditRowsEnd = Edit1->addSeparator();
    Editing1 = Edit1->addAction(QString());
    Editing1->setProperty(LanguageText, int(Text::EditingItem));
    Editing1->setText(text(Text::EditingItem));
    Editing1->setCheckable(true);
    Editing1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));

    auto on = [this](QAction *action, void (TfrmMain::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    on(Save1, &TfrmMain::Save1Click);
    on(Run1, &TfrmMain::tbRunClick);
    on(AutoCalc1, &TfrmMain::tbAutoCalcClick);
    on(SaveGraph1, &TfrmMain::tbSaveGraphClick);
    on(Manual1, &TfrmMain::Manual1Click);
    on(ClearRecent1, &TfrmMain::ClearRecent1Click);
    connect(Editing1, &QAction::triggered, this, [this] {
        guarded([this] { tbEditClick(); });
        Editing1->setChecked(tbEdit->isChecked()); // the click alone changes nothing
    });
    // The menu items follow their tool buttons' states.
    const std::pair<QAction *, QAction *> twins[] = {
        {tbRun, Run1}, {tbAutoCalc, AutoCalc1}, {tbSaveGraph, SaveGraph1}, {tbEdit, Editing1}};
    for (const auto &[button, menuItem] : twins)
        connect(button, &QAction::enabledChanged, menuItem, &QAction::setEnabled);
    connect(tbEdit, &QAction::toggled, Editing1, &QAction::setChecked);
    connect(UpMInt, &QSpinBox::valueChanged, this, [this] { updatePositionRow(); });
    // The pages from the keyboard, wherever the focus is: Ctrl+Page Up and
    // Down as in tabbed programs (Ctrl+Tab works inside the pages too).
    for (const auto &[key, step] : {std::pair{Qt::Key_PageUp, -1}, std::pair{Qt::Key_PageDown, 1}})
        connect(new QShortcut(QKeySequence(Qt::CTRL | key), this), &QShortcut::activated, this,
                [this, step = step] {
                    const int n = PageControl1->count();
                    PageControl1->setCurrentIndex((PageControl1->currentIndex() + step + n) % n);
                });
    lMaxTimeAt->setToolTip(text(Text::PositionAtTip));
    // The English texts of the table's commands until a language is applied.
    Table->retranslate(m_texts);
}

QString TfrmMain::commandName(const QAction *command)
{
    QString name = command ? command->text() : QString();
    name.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    name.remove(u'&');
    name.replace(u'\x01', u'&');
    for (const char *dots : {"...", "…"})
        if (name.endsWith(QString::fromUtf8(dots)))
            name.chop(QString::fromUtf8(dots).size());
    return name.trimmed();
}

// ---- status line ------------------------------------------------------------

void TfrmMain::say(const QString &line)
{
    StatusText->setText(line);
    StatusText->setToolTip(line); // the whole line, where the bar cuts it
}

bool TfrmMain::onDataPage(const QAction *command)
{
    if (dataPageActive())
        return true;
    // The command does nothing here, as designed; the line says why and how
    // to get there.
    say(text(Text::DataPageFirst).arg(commandName(command)));
    return false;
}

QString TfrmMain::whyNoRows(const QAction *command) const
{
    const QString name = commandName(command);
    const GridModel &grid = strGrid->model();
    bool anyDate = false;
    for (int r = 1; r < grid.rowCountWithHeader() && !anyDate; ++r)
        anyDate = !grid.cellView(0, r).isEmpty();
    if (!anyDate)
        return text(Text::NoRowsInTable).arg(name);
    const QString start = DateConv::toText(dtp1->date()), end = DateConv::toText(dtp2->date());
    const RowSelection selection = selectRows(grid, start, end);
    if (selection.FirstRow == 0)
        return text(Text::StartDateMissing).arg(name, start);
    if (selection.LastRow == 0)
        return text(Text::EndDateMissing).arg(name, end);
    return text(Text::DatesReversed).arg(name, start, end);
}

void TfrmMain::updatePositionRow()
{
    const int offset = UpMInt->value();
    if (offset < 0 || static_cast<size_t>(offset) >= m_run.labels.size()) {
        lMaxTimeAt->clear();
        return;
    }
    const PointLabel &row = m_run.labels[static_cast<size_t>(offset)];
    lMaxTimeAt->setText(
        text(Text::PositionAt).arg(row.date).arg(row.hour, 2, 10, QLatin1Char('0')));
}

// ---- file dialogs -----------------------------------------------------------

QString TfrmMain::settingsName(FileCommand command)
{
    switch (command) {
    case FileCommand::OpenTxt:
        return QStringLiteral("OpenTxt");
    case FileCommand::OpenXls:
        return QStringLiteral("OpenXls");
    case FileCommand::Import:
        return QStringLiteral("Import");
    case FileCommand::SaveTxt:
        return QStringLiteral("SaveTxt");
    case FileCommand::SaveXls:
        return QStringLiteral("SaveXls");
    case FileCommand::SaveGraph:
        return QStringLiteral("SaveGraph");
    case FileCommand::SavePicture:
        return QStringLiteral("SavePicture");
    case FileCommand::ExportCsv:
        return QStringLiteral("ExportCsv");
    case FileCommand::SaveReport:
        return QStringLiteral("SaveReport");
    case FileCommand::SaveReportPictures:
        return QStringLiteral("SaveReportPictures");
    case FileCommand::SaveColorgramme:
        return QStringLiteral("SaveColorgramme");
    case FileCommand::ExportNetwork:
        return QStringLiteral("ExportNetwork");
    case FileCommand::SaveStackedNumbers:
        return QStringLiteral("SaveStackedNumbers");
    case FileCommand::SaveStackedPicture:
        return QStringLiteral("SaveStackedPicture");
    }
    return {};
}

namespace {

// The folder key of "the last folder an open command used".
const QString AnyOpen = QStringLiteral("Open");

} // namespace

bool TfrmMain::isOpenCommand(FileCommand command)
{
    return command == FileCommand::OpenTxt || command == FileCommand::OpenXls ||
           command == FileCommand::Import;
}

void TfrmMain::restoreFolders()
{
    for (int c = 0; c <= int(FileCommand::SaveStackedPicture); ++c) {
        const QString folder = m_settings.lastFolder(settingsName(FileCommand(c)));
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            m_folders[FileCommand(c)] = folder;
    }
    const QString open = m_settings.lastFolder(AnyOpen);
    if (!open.isEmpty() && QFileInfo(open).isDir())
        OpenDialog1.initialDir = open;
    updateRecentMenu();
}

FileDialogState &TfrmMain::fileDialog(FileCommand command, const QString &filter,
                                      const QAction *item)
{
    FileDialogState &state = m_fileDialogs[command];
    state.filter = filter;
    state.caption = commandName(item);
    // The command's own folder; until it has one, where the last open
    // command was (or ExeDir). Export for Network never starts in an open
    // command's folder, which after an Import is the station's own data.
    const QString own = m_folders[command];
    if (!own.isEmpty())
        state.initialDir = own;
    else if (command == FileCommand::ExportNetwork)
        state.initialDir = QDir::homePath();
    else
        state.initialDir = OpenDialog1.initialDir.isEmpty() ? ExeDir : OpenDialog1.initialDir;
    if (!isOpenCommand(command)) {
        // The table's own name is offered by the commands that save the table.
        if (state.fileName.isEmpty() && !Origin.path.isEmpty() &&
            (command == FileCommand::SaveTxt || command == FileCommand::SaveXls))
            state.fileName = Origin.path;
        state.fileName = FileFilter::proposal(filter, state.fileName);
        state.filterIndex = std::max(0, FileFilter::entryFor(filter, state.fileName));
    }
    return state;
}

namespace {

// The folder of a chosen file, or a chosen folder itself.
QString folderOf(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}

} // namespace

void TfrmMain::noteChosen(FileCommand command, const QString &path)
{
    const QString folder = folderOf(path);
    m_fileDialogs[command].fileName = path;
    m_folders[command] = folder;
    if (isOpenCommand(command)) {
        OpenDialog1.initialDir = folder;
        OpenDialog1.fileName = path;
    }
}

QString TfrmMain::chosenName(FileCommand command, const QString &name)
{
    const FileDialogState &state = m_fileDialogs[command];
    // Save Graph keeps the name as chosen: its picture's name is made from
    // it by its own rule. A name of something that exists (a file chosen to
    // be replaced, a folder) is the user's own choice as well.
    const QString path = command == FileCommand::SaveGraph || QFileInfo::exists(name)
                             ? name
                             : FileFilter::withExtension(name, state.filter, state.filterIndex);
    noteChosen(command, path);
    return path;
}

void TfrmMain::rememberFile(FileCommand command, const QString &path, bool recent)
{
    const QString file = QFileInfo(path).absoluteFilePath();
    QStringList files = m_settings.recentFiles();
    if (recent) {
        files.removeAll(file);
        files.prepend(file);
    }
    std::map<QString, QString> folders{{settingsName(command), folderOf(file)}};
    if (isOpenCommand(command))
        folders[AnyOpen] = folderOf(file);
    try {
        m_settings.setRecentFiles(files, folders);
    } catch (const std::exception &e) {
        // The command itself has done its work, as the line says already;
        // only the memory of it failed.
        const QString done = StatusText->text();
        say((done.isEmpty() ? QString() : done + u' ') +
            text(Text::NotRemembered).arg(failureText(e)));
    }
    updateRecentMenu();
}

// ---- recent files -----------------------------------------------------------

void TfrmMain::updateRecentMenu()
{
    if (!Recent1)
        return;
    Recent1->clear();
    const QStringList &files = m_settings.recentFiles();
    for (qsizetype n = 0; n < files.size(); ++n) {
        QString shown = QDir::toNativeSeparators(files[n]);
        shown.replace(u'&', QLatin1String("&&"));
        QAction *entry = Recent1->addAction(QStringLiteral("&%1 %2").arg(n + 1).arg(shown));
        connect(entry, &QAction::triggered, this,
                [this, file = files[n]] { guarded([&] { RecentFileClick(file); }); });
    }
    Recent1->addSeparator();
    ClearRecent1->setText(text(Text::ClearRecentItem));
    Recent1->addAction(ClearRecent1);
    Recent1->menuAction()->setEnabled(!files.isEmpty() && !m_searching);
}

void TfrmMain::RecentFileClick(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        QStringList files = m_settings.recentFiles();
        files.removeAll(path);
        say(text(Text::RecentMissing).arg(QDir::toNativeSeparators(path)));
        m_settings.setRecentFiles(files);
        updateRecentMenu();
        return;
    }
    openPaths({path});
}

void TfrmMain::ClearRecent1Click()
{
    m_settings.setRecentFiles({});
    updateRecentMenu();
}

// ---- drop and command line --------------------------------------------------

void TfrmMain::dragEnterEvent(QDragEnterEvent *event)
{
    // Files, and only while no search runs.
    if (!m_searching && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent *event)
{
    QStringList files;
    QStringList others;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << url.toLocalFile();
        else
            others << (url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile())
                                         : url.toDisplayString());
    }
    event->acceptProposedAction();
    // Opened once the drop has ended, so that the dragging program is not
    // kept waiting by questions and messages.
    QMetaObject::invokeMethod(
        this,
        [this, files, others] {
            guarded([&] {
                if (!others.isEmpty())
                    say(text(Text::DropNotFile).arg(others.join(QStringLiteral(", "))));
                if (!files.isEmpty())
                    openPaths(files);
            });
        },
        Qt::QueuedConnection);
}

void TfrmMain::openCommandLine(const QStringList &files)
{
    QStringList paths, others;
    for (const QString &file : files) {
        const QFileInfo info(file);
        if (info.isFile())
            paths << info.absoluteFilePath();
        else
            others << file;
    }
    guarded([&] {
        if (!others.isEmpty())
            say(text(Text::DropNotFile).arg(others.join(QStringLiteral(", "))));
        if (!paths.isEmpty())
            openPaths(paths);
    });
}

// ---- the window's place ------------------------------------------------------

void TfrmMain::restoreWindowPlace()
{
    if (!m_settings.windowGeometry().isEmpty())
        restoreGeometry(m_settings.windowGeometry());
    if (!m_settings.windowState().isEmpty())
        restoreState(m_settings.windowState());
    if (m_settings.page() > 0 && m_settings.page() < PageControl1->count())
        PageControl1->setCurrentIndex(m_settings.page());
}

void TfrmMain::saveWindowPlace()
{
    try {
        m_settings.setWindowPlace(saveGeometry(), saveState(), PageControl1->currentIndex());
    } catch (const std::exception &e) {
        // The window is closing: no box any more, but not a silent loss.
        qWarning("Vexlor: the window's place was not remembered: %s",
                 qUtf8Printable(failureText(e)));
    }
}

// ---- help and languages ---------------------------------------------------------

void TfrmMain::Manual1Click()
{
    if (!m_help)
        m_help = new HelpWindow(this);
    m_help->showManual(m_texts.code(), text(Text::ManualCaption));
}

void TfrmMain::loadQtTexts()
{
    m_qtTexts.reset(); // a translator removes itself from the application
    const QLocale locale = m_texts.locale();
    if (locale.language() == QLocale::English || locale.language() == QLocale::C)
        return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        m_qtTexts = std::move(translator);
    }
}
