// The window as a desktop program: shortcuts reach their commands, the
// menus keep their language keys, the status line says what happened, the
// recent files and the window's place outlive a run, files dropped or named
// on the command line open, rows are counted one way everywhere, each save
// dialog offers its own name, and the texts follow the language.
#include "WindowFixture.h"
#include "analysis/gui/ChartNavigator.h"
#include "analysis/gui/ReportView.h"
#include "app/gui/HelpWindow.h"
#include "app/gui/Widgets.h"
#include "files/NetworkExport.h"
#include "table/gui/TableEditor.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

namespace {

const QDate Today(2024, 6, 1);

// Three days of hours from 01.12.2008, the peak (95) at offset 30.
QByteArray threeDays()
{
    QByteArray out = "Date\t\tHour\tSum\r\n";
    for (int j = 0; j < 72; ++j)
        out += QDate(2008, 12, 1).addDays(j / 24).toString("dd.MM.yyyy").toLatin1() + '\t' +
               QByteArray::number(j % 24) + '\t' +
               QByteArray::number(j == 30 ? 95 : 10 + (j * 7) % 9) + "\r\n";
    return out;
}

// An hourly list of the network for August 2024: hours from..to of day 1.
QByteArray hourlyList(int from, int to)
{
    QByteArray out;
    for (int h = from; h <= to; ++h)
        out += QStringLiteral("202408%1%2 , %2 , %3\r\n")
                   .arg(1 + h / 24, 2, 10, QChar(u'0'))
                   .arg(h % 24, 2, 10, QChar(u'0'))
                   .arg(5 + h)
                   .toLatin1();
    return out;
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;

    void openWindow(const QByteArray &ini = WindowFixture::sampleIni("en"))
    {
        m_f = std::make_unique<WindowFixture>();
        QVERIFY(QDir(m_f->dir.path()).mkpath("data"));
        w = &m_f->open(ini);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    QString dataFile(const QString &name, const QByteArray &bytes)
    {
        return m_f->writeFile("data/" + name, bytes);
    }
    QString dataDir() const { return m_f->dir.filePath("data"); }
    void openTable(const QString &path)
    {
        m_f->dialogs.openAnswers.push_back(path);
        w->OpenTXT1->trigger();
    }
    QString status() const { return w->StatusText->text(); }
    // Keys as the user presses them, to the widget with the focus.
    void press(QKeyCombination keys)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : w;
        QTest::keyClick(target, keys.key(), keys.keyboardModifiers());
        QCoreApplication::processEvents();
    }
    void drop(const QList<QUrl> &urls)
    {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(60, 60), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(w, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(QPointF(60, 60), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &dropped);
        QCoreApplication::processEvents(); // the drop's files open after it
    }

private slots:
    void init()
    {
        DateConv::setTodaySource([] { return Today; });
        QTest::failOnWarning(QRegularExpression("Ambiguous shortcut"));
    }
    void cleanup()
    {
        m_f.reset();
        DateConv::setTodaySource({});
    }

    void shortcutsReachTheirCommands_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::addColumn<QString>("command");
        QTest::newRow("Ctrl+N") << QKeyCombination(Qt::CTRL, Qt::Key_N) << "new";
        QTest::newRow("Ctrl+O") << QKeyCombination(Qt::CTRL, Qt::Key_O) << "open";
        QTest::newRow("Ctrl+I") << QKeyCombination(Qt::CTRL, Qt::Key_I) << "import";
        QTest::newRow("Ctrl+S") << QKeyCombination(Qt::CTRL, Qt::Key_S) << "save";
        QTest::newRow("F5") << QKeyCombination(Qt::Key_F5) << "run";
        QTest::newRow("F6") << QKeyCombination(Qt::Key_F6) << "auto calc";
        QTest::newRow("Ctrl+F5") << QKeyCombination(Qt::CTRL, Qt::Key_F5) << "auto calc";
        QTest::newRow("Ctrl+G") << QKeyCombination(Qt::CTRL, Qt::Key_G) << "save graph";
        QTest::newRow("F1") << QKeyCombination(Qt::Key_F1) << "manual";
        QTest::newRow("Ctrl+E") << QKeyCombination(Qt::CTRL, Qt::Key_E) << "editing";
        QTest::newRow("Ctrl+Z") << QKeyCombination(Qt::CTRL, Qt::Key_Z) << "undo";
        QTest::newRow("Ctrl++") << QKeyCombination(Qt::CTRL, Qt::Key_Plus) << "insert row";
        QTest::newRow("Ctrl and keypad +")
            << QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus)
            << "insert row";
        QTest::newRow("Ctrl+-") << QKeyCombination(Qt::CTRL, Qt::Key_Minus) << "delete rows";
        QTest::newRow("Ctrl+Q") << QKeyCombination(Qt::CTRL, Qt::Key_Q) << "exit";
    }
    void shortcutsReachTheirCommands()
    {
        QFETCH(QKeyCombination, keys);
        QFETCH(QString, command);
        openWindow();
        const QString table = dataFile("three.txt", threeDays());
        openTable(table);
        QCOMPARE(w->strGrid->rowCountWithHeader(), 73);
        // The table's keys act where the table is; editing on for its row
        // commands, one cell changed for undo.
        w->strGrid->setFocus();
        if (command == "undo" || command.contains("row")) {
            w->tbEdit->trigger();
            w->strGrid->setFocus();
            w->strGrid->setRow(2);
        }
        if (command == "undo" || command == "save")
            w->strGrid->setCell(2, 1, "77");
        if (command == "save graph")
            w->tbRunClick();
        m_f->dialogs.openFilesAnswers.push_back({dataFile("RMOB-202408.dat", hourlyList(0, 5))});
        m_f->dialogs.saveAnswers.push_back(std::nullopt);
        m_f->dialogs.saveChoices.push_back(SaveChoice::Discard);
        m_f->dialogs.openAnswers.push_back(std::nullopt);
        w->PageControl1->setCurrentIndex(0);
        w->strGrid->setFocus();

        press(keys);
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());
        if (command == "new") {
            QCOMPARE(w->strGrid->rowCountWithHeader(), 2);
            QVERIFY(w->strGrid->editing());
            QCOMPARE(status(), QString("New table."));
        } else if (command == "open") {
            QCOMPARE(m_f->dialogs.openRequests.size(), size_t(2));
            QCOMPARE(m_f->dialogs.openRequests.back().caption, QString("Open (TXT)"));
        } else if (command == "import") {
            QCOMPARE(w->strGrid->rowCountWithHeader(), 7);
            QCOMPARE(status(), QString("Imported 6 hours from 1 file."));
        } else if (command == "save") {
            QVERIFY(m_f->dialogs.saveRequests.empty()); // to where the table came from
            QVERIFY(!w->Table->history().changed());
            QFile f(table);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.readAll().contains("01.12.2008\t0\t77"));
            QCOMPARE(status(), QString("Saved 72 rows to three.txt."));
        } else if (command == "run") {
            QCOMPARE(w->PageControl1->currentIndex(), 1);
            QVERIFY(w->SaveGraph1->isEnabled());
            QVERIFY2(status().startsWith("Run: 72 rows, dO 0."), qPrintable(status()));
        } else if (command == "auto calc") {
            QVERIFY2(status().startsWith(QString("Auto Calc: a %1, b %2, position %3, dO ")
                                             .arg(w->UpA->value())
                                             .arg(w->UpB->value())
                                             .arg(w->UpMInt->value())),
                     qPrintable(status()));
            // The menu items locked with their buttons came back with them.
            for (QAction *item : {w->Run1, w->AutoCalc1, w->SaveGraph1, w->Editing1, w->Save1})
                QVERIFY2(item->isEnabled(), qPrintable(item->text()));
        } else if (command == "save graph") {
            QCOMPARE(m_f->dialogs.saveRequests.size(), size_t(1));
            QCOMPARE(m_f->dialogs.saveRequests.back().filter, w->msg(4));
        } else if (command == "manual") {
            QVERIFY(w->m_help && w->m_help->isVisible());
            QCOMPARE(w->m_help->browser()->source().toString(),
                     QString("qrc:/manual/manual.en.html"));
            QVERIFY(!w->m_help->browser()->toPlainText().isEmpty());
        } else if (command == "editing") {
            QVERIFY(w->strGrid->editing());
            QVERIFY(w->Editing1->isChecked());
        } else if (command == "undo") {
            QCOMPARE(w->strGrid->cell(2, 1), QString("10"));
        } else if (command == "insert row") {
            QCOMPARE(w->strGrid->rowCountWithHeader(), 74);
            QCOMPARE(w->strGrid->cell(0, 2), QString());
        } else if (command == "delete rows") {
            QCOMPARE(w->strGrid->rowCountWithHeader(), 72);
        } else if (command == "exit") {
            QVERIFY(!w->isVisible());
        }
    }

    void menusKeepTheirLanguageKeys()
    {
        openWindow("[self]\nLanguage=xx\n[xx]\nM1=f\nM2=c\nM3=l\nM4=a\nM10=n\nM12=o\nM13=e\n"
                   "M15=s\nM16=t\nM18=x\nM20=g\nM31=r\nX99=E\nX102=S\n");
        QStringList titles;
        for (QAction *top : w->menuBar()->actions())
            titles << top->text();
        // Edit, Analysis and Help stand among the first design's menus
        // without moving their keys: About, M4, now stands in Help.
        QCOMPARE(titles, QStringList({"f", "E", "&Analysis", "c", "l", "&Help"}));
        QCOMPARE(w->About1->text(), QString("a"));
        QVERIFY(w->Help1->actions().contains(w->About1));
        QCOMPARE(w->New1->text(), QString("n"));
        QCOMPARE(w->OpenTXT1->text(), QString("o"));
        QCOMPARE(w->OpenXLS1->text(), QString("e"));
        QCOMPARE(w->SaveTXT1->text(), QString("s"));
        QCOMPARE(w->SaveXLS1->text(), QString("t"));
        QCOMPARE(w->Exit1->text(), QString("x"));
        QCOMPARE(w->GridBackGroundColor1->text(), QString("g"));
        QCOMPARE(w->Russian1->text(), QString("r"));
        QCOMPARE(w->Save1->text(), QString("S"));
        QCOMPARE(w->Recent1->title(), QString("Recent &files"));
        QVERIFY(w->N1->isSeparator() && w->N2->isSeparator() && w->N3->isSeparator());
        // The keys are shown in the menus.
        QCOMPARE(w->New1->shortcut(), QKeySequence(QKeySequence::New));
        QCOMPARE(w->OpenTXT1->shortcut(), QKeySequence("Ctrl+O"));
        QCOMPARE(w->Run1->shortcut(), QKeySequence("F5"));
        QCOMPARE(w->Table->insertRow->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl++")});
        QVERIFY(w->Edit1->actions().contains(w->Table->undo));
        QVERIFY(w->Analysis1->actions().contains(w->ExportCSV1));
        QVERIFY(!w->File1->actions().contains(w->ExportCSV1));
    }

    void statusSaysWhyNothingHappened_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<bool>("autoCalc");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Run, start date missing")
            << QDate(2008, 11, 30) << QDate(2008, 12, 2) << false
            << "Run: no row of the table has the start date 30.11.2008.";
        QTest::newRow("Auto Calc, end date missing")
            << QDate(2008, 12, 1) << QDate(2008, 12, 5) << true
            << "Auto Calc: no row of the table has the end date 05.12.2008.";
        QTest::newRow("dates the wrong way round")
            << QDate(2008, 12, 3) << QDate(2008, 12, 1) << false
            << "Run: the start date 03.12.2008 comes after the end date 01.12.2008.";
    }
    void statusSaysWhyNothingHappened()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(bool, autoCalc);
        openWindow();
        openTable(dataFile("three.txt", threeDays()));
        w->dtp1->setDate(from);
        w->dtp2->setDate(to);
        (autoCalc ? w->AutoCalc1 : w->Run1)->trigger();
        QTEST(status(), "expected");
        QVERIFY(m_f->dialogs.messages.empty() && m_f->dialogs.errors.isEmpty());
    }

    void runWithoutRowsAndCommandsOnOtherPages()
    {
        openWindow();
        w->Run1->trigger();
        QCOMPARE(status(), QString("Run: the table has no rows."));
        QVERIFY(!w->SaveGraph1->isEnabled());
        // A file command on another page does nothing, and says so.
        w->PageControl1->setCurrentIndex(1);
        w->OpenTXT1->trigger();
        QVERIFY(m_f->dialogs.openRequests.empty());
        QCOMPARE(status(), QString("Open (TXT) works on the DATA page: show it first (Ctrl+Page "
                                   "Up, or Ctrl+Tab)."));
        // The keys named there show it.
        w->UpA->setFocus();
        press(QKeyCombination(Qt::CTRL, Qt::Key_PageUp));
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        press(QKeyCombination(Qt::CTRL, Qt::Key_PageUp)); // round to the last
        QCOMPARE(w->PageControl1->currentIndex(), w->PageControl1->count() - 1);
        press(QKeyCombination(Qt::CTRL, Qt::Key_PageDown));
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        // Also from a date field, whose own Page keys step its date: it leaves
        // Ctrl+Page Up and Down to the window.
        const QDate start = w->dtp1->date();
        for (const Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown}) {
            QKeyEvent override(QEvent::ShortcutOverride, key, Qt::ControlModifier);
            override.setAccepted(false);
            QApplication::sendEvent(w->dtp1, &override);
            QVERIFY(!override.isAccepted());
        }
        for (const auto &[key, page] :
             {std::pair{Qt::Key_PageDown, 1}, std::pair{Qt::Key_PageUp, 0}}) {
            w->dtp1->setFocus();
            QTRY_VERIFY(w->dtp1->hasFocus());
            press(QKeyCombination(Qt::CTRL, key));
            QCOMPARE(w->PageControl1->currentIndex(), page);
        }
        QCOMPARE(w->dtp1->date(), start);
        m_f->dialogs.openAnswers.push_back(std::nullopt);
        w->OpenTXT1->trigger();
        QCOMPARE(m_f->dialogs.openRequests.size(), size_t(1));
    }

    void newClearsTheLastResults()
    {
        openWindow();
        openTable(dataFile("three.txt", threeDays()));
        w->Run1->trigger();
        QVERIFY(w->ObservedSeries->count() == 72 && w->tsReport->hasRun());
        QVERIFY(!w->lMaxTimeAt->text().isEmpty());
        w->PageControl1->setCurrentIndex(0);
        w->New1->trigger();
        for (QLineSeries *s :
             {w->ObservedSeries, w->ProfileSeries, w->ShowerSeries, w->SporadicSeries})
            QCOMPARE(s->count(), 0);
        QVERIFY(w->BottomAxis->categoriesLabels().isEmpty());
        QCOMPARE(w->lZdO->text(), QString());
        QCOMPARE(w->lMaxTimeAt->text(), QString());
        QVERIFY(!w->tsReport->hasRun());
        QCOMPARE(w->Navigator->readout(0), QString());
        QVERIFY(!w->SaveGraph1->isEnabled() && !w->ExportCSV1->isEnabled());
        QCOMPARE(w->dtp1->date(), Today);
        QCOMPARE(w->dtp2->date(), Today);
    }

    void rememberedStateRoundTrips()
    {
        openWindow();
        const QString table = dataFile("three.txt", threeDays());
        openTable(table);
        w->resize(900, 620);
        w->PageControl1->setCurrentIndex(2);
        QVERIFY(w->close());
        m_f->window.reset();

        // The next run: its recent files, its place, its page, the folders.
        TfrmMain &again = m_f->open();
        w = &again;
        QCOMPARE(again.size(), QSize(900, 620));
        QCOMPARE(again.PageControl1->currentIndex(), 2);
        const QList<QAction *> entries = again.Recent1->actions();
        QVERIFY(entries.size() >= 3); // the file, a line, Clear the list
        QCOMPARE(entries.front()->text(), "&1 " + QDir::toNativeSeparators(table));
        QVERIFY(again.Recent1->menuAction()->isEnabled());
        again.PageControl1->setCurrentIndex(0);
        m_f->dialogs.openAnswers.push_back(std::nullopt);
        again.OpenTXT1->trigger();
        QCOMPARE(m_f->dialogs.openRequests.back().initialDir, dataDir());
        m_f->dialogs.saveAnswers.push_back(std::nullopt);
        again.SaveXLS1->trigger(); // no folder of its own yet: the open one's
        QCOMPARE(m_f->dialogs.saveRequests.back().initialDir, dataDir());

        // A recent entry opens its file; a file gone is said and forgotten.
        entries.front()->trigger();
        QCOMPARE(again.Origin.path, table);
        QCOMPARE(again.strGrid->rowCountWithHeader(), 73);
        QVERIFY(QFile::remove(table));
        again.RecentFileClick(table);
        QVERIFY(status().contains("no longer exists"));
        QVERIFY(again.m_settings.recentFiles().isEmpty());
        QVERIFY(!again.Recent1->menuAction()->isEnabled());
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());
    }

    void aFailedMemoryIsSaidNotShown()
    {
        openWindow();
        QVERIFY(QFile::remove(w->settingsPath()));
        QVERIFY(QDir(m_f->dir.path()).mkdir("VEXLOR.ini")); // cannot be written
        openTable(dataFile("three.txt", threeDays()));
        QCOMPARE(w->strGrid->rowCountWithHeader(), 73); // the open itself worked
        QVERIFY(m_f->dialogs.errors.isEmpty());
        // What the command did, and then what failed.
        QVERIFY2(status().startsWith("Opened 72 rows from three.txt. The recent files and "
                                     "folders could not be remembered: Unable to write to"),
                 qPrintable(status()));
    }

    void droppedAndNamedFilesOpen_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("origin");
        QTest::addColumn<bool>("workbook");
        QTest::newRow("a table file opens") << QStringList{"three.txt"} << 72 << true << false;
        QTest::newRow("a workbook opens") << QStringList{"book.xlsx"} << -1 << true << true;
        QTest::newRow("count files are imported")
            << QStringList{"RMOB-202408.dat", "more/RMOB-202408.dat"} << 12 << false << false;
    }
    void droppedAndNamedFilesOpen()
    {
        QFETCH(QStringList, files);
        QFETCH(int, rows);
        QFETCH(bool, origin);
        QFETCH(bool, workbook);
        for (bool commandLine : {false, true}) {
            openWindow();
            dataFile("three.txt", threeDays());
            dataFile("RMOB-202408.dat", hourlyList(0, 5));
            QVERIFY(QDir(dataDir()).mkpath("more"));
            dataFile("more/RMOB-202408.dat", hourlyList(6, 11));
            QFile::copy(VEXLOR_TEST_DATA "/active.xlsx", dataDir() + "/book.xlsx");
            w->PageControl1->setCurrentIndex(1); // a drop shows the DATA page
            QList<QUrl> urls;
            QStringList names;
            for (const QString &f : files) {
                urls << QUrl::fromLocalFile(dataDir() + "/" + f);
                names << "data/" + f;
            }
            if (commandLine) {
                QDir::setCurrent(m_f->dir.path()); // named relative to the working folder
                w->openCommandLine(names);
            } else {
                drop(urls);
            }
            QCOMPARE(m_f->dialogs.errors.join("|"), QString());
            QCOMPARE(w->PageControl1->currentIndex(), 0);
            if (rows >= 0)
                QCOMPARE(w->strGrid->rowCountWithHeader(), rows + 1);
            else
                QVERIFY(w->strGrid->rowCountWithHeader() > 2);
            QCOMPARE(w->Origin.path.isEmpty(), !origin);
            QCOMPARE(w->Origin.workbook, workbook);
            QVERIFY(w->tbRun->isEnabled());
        }
    }

    void whatCannotBeOpenedIsSaid()
    {
        openWindow();
        dataFile("RMOB-202408.dat", hourlyList(0, 5));
        QFile::copy(VEXLOR_TEST_DATA "/active.xlsx", dataDir() + "/book.xlsx");
        drop({QUrl::fromLocalFile(dataDir() + "/RMOB-202408.dat"),
              QUrl::fromLocalFile(dataDir() + "/book.xlsx")});
        QCOMPARE(m_f->dialogs.errors.size(), 1); // workbooks are read one at a time
        QVERIFY(m_f->dialogs.errors[0].contains("one at a time"));
        QCOMPARE(w->strGrid->rowCountWithHeader(), 2);
        drop({QUrl("https://example.org/RMOB-202408.dat")});
        QCOMPARE(status(),
                 QString("Only files can be opened: https://example.org/RMOB-202408.dat"));
        w->openCommandLine({"no-such-file.txt"});
        QCOMPARE(status(), QString("Only files can be opened: no-such-file.txt"));
        QCOMPARE(w->strGrid->rowCountWithHeader(), 2);
    }

    void oneRowNumbering()
    {
        openWindow();
        openTable(dataFile("three.txt", threeDays()));
        w->Run1->trigger();
        const int P = w->UpMInt->value();
        QCOMPARE(P, 30); // the peak's offset
        const PointLabel &row = w->PointLabels[size_t(P)];
        QCOMPARE(row.offset(), P);
        const QString when = QString("%1 %2h").arg(row.date).arg(row.hour);
        // The position control's row: beside it, in the readout, the report.
        QCOMPARE(w->lMaxTimeAt->text(),
                 QString("%1 %2h UT").arg(row.date).arg(row.hour, 2, 10, QChar(u'0')));
        QVERIFY(w->Navigator->readout(P).startsWith(when + QString(", offset %1").arg(P)));
        QVERIFY2(w->tsReport->summary().contains(QString("(row offset %1)").arg(P)),
                 qPrintable(w->tsReport->summary()));
        // Every axis label counts its row the same way, with date and hour.
        const QStringList labels = w->BottomAxis->categoriesLabels();
        QVERIFY(!labels.isEmpty());
        static const QRegularExpression number("\\((\\d+)\\)$");
        for (const QString &label : labels) {
            const int offset = number.match(label).captured(1).toInt();
            QCOMPARE(w->BottomAxis->endValue(label), double(offset + 1));
            const PointLabel &at = w->PointLabels[size_t(offset)];
            QCOMPARE(label, QString("%1<br>%2h (%3)").arg(at.date).arg(at.hour).arg(offset));
        }
        // Export CSV counts them so too.
        const QString csv = m_f->dir.filePath("rows.csv");
        m_f->dialogs.saveAnswers.push_back(csv);
        w->ExportCSV1->trigger();
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QVERIFY(lines[P + 1].startsWith(
            QString("%1,%2,%3,").arg(P).arg(row.date).arg(row.hour).toLatin1()));
        // The row beside the control follows it.
        w->UpMInt->setValue(40);
        const PointLabel &later = w->PointLabels[40];
        QCOMPARE(w->lMaxTimeAt->text(),
                 QString("%1 %2h UT").arg(later.date).arg(later.hour, 2, 10, QChar(u'0')));
    }

    void eachSaveDialogOffersItsOwnName()
    {
        openWindow();
        const QString table = dataFile("three.txt", threeDays());
        openTable(table);
        w->Run1->trigger();
        const QString pdf = dataDir() + "/fit.pdf";
        m_f->dialogs.saveAnswers.push_back(pdf);
        w->SavePicture1->trigger();
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(m_f->dialogs.saveRequests.back().caption, QString("Save Picture"));

        // Neither Save Graph nor Export CSV offers the picture.
        for (QAction *command : {w->SaveGraph1, w->ExportCSV1, w->SaveXLS1}) {
            w->PageControl1->setCurrentIndex(0);
            m_f->dialogs.saveAnswers.push_back(std::nullopt);
            command->trigger();
            const FileDialogState &asked = m_f->dialogs.saveRequests.back();
            QVERIFY2(!asked.fileName.endsWith(".pdf"), qPrintable(asked.fileName));
            QCOMPARE(asked.caption, TfrmMain::commandName(command));
        }
        // Save (XLS) offers the table's name as a workbook, its entry chosen.
        QCOMPARE(m_f->dialogs.saveRequests.back().fileName, dataDir() + "/three.xlsx");
        QCOMPARE(m_f->dialogs.saveRequests.back().filterIndex, 0);
        // Save Picture offers its own last file, with the entry that takes it.
        w->tbRunClick(); // Save (XLS) disabled the graph's exports
        m_f->dialogs.saveAnswers.push_back(std::nullopt);
        w->SavePicture1->trigger();
        QCOMPARE(m_f->dialogs.saveRequests.back().fileName, pdf);
        QCOMPARE(m_f->dialogs.saveRequests.back().filterIndex, 2);

        // A name typed without an extension gets the filter's.
        w->PageControl1->setCurrentIndex(0);
        m_f->dialogs.saveAnswers.push_back(dataDir() + "/gem_edit");
        w->SaveTXT1->trigger();
        QVERIFY(QFile::exists(dataDir() + "/gem_edit.txt"));
        QVERIFY(!QFile::exists(dataDir() + "/gem_edit"));
        QCOMPARE(w->Origin.path, dataDir() + "/gem_edit.txt");
        QCOMPARE(status(), QString("Saved 72 rows to gem_edit.txt."));
        m_f->dialogs.saveAnswers.push_back(dataDir() + "/rows");
        w->tbRunClick();
        w->ExportCSV1->trigger();
        QVERIFY(QFile::exists(dataDir() + "/rows.csv"));
        QCOMPARE(status(), QString("Exported 72 rows to rows.csv."));
        m_f->dialogs.saveAnswers.push_back(std::nullopt);
        w->ExportCSV1->trigger();
        QCOMPARE(m_f->dialogs.saveRequests.back().fileName, dataDir() + "/rows.csv");
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());
    }

    void exportForNetworkHasItsOwnFolder()
    {
        openWindow(WindowFixture::sampleIni("en") + "\n[station]\nObserver=Test\n");
        QVERIFY(QDir(dataDir()).mkpath("station"));
        const QString counts = dataFile("station/RMOB-202408.dat", hourlyList(0, 30));
        m_f->dialogs.openFilesAnswers.push_back({counts});
        w->Import1->trigger();
        QCOMPARE(w->strGrid->rowCountWithHeader(), 32);
        m_f->dialogs.folderAnswers.push_back(std::nullopt);
        w->ExportNetwork1->trigger();
        QCOMPARE(m_f->dialogs.folderStarts.size(), 1);
        QVERIFY(m_f->dialogs.folderStarts[0] != dataDir() + "/station"); // not Import's
        QVERIFY(QDir(dataDir()).mkpath("out"));
        m_f->dialogs.folderAnswers.push_back(dataDir() + "/out");
        w->ExportNetwork1->trigger();
        QVERIFY(QFile::exists(dataDir() + "/out/RMOB-202408.dat"));
        m_f->dialogs.folderAnswers.push_back(std::nullopt);
        w->ExportNetwork1->trigger();
        QCOMPARE(m_f->dialogs.folderStarts.back(), dataDir() + "/out");
        // Import's own dialog still starts where it read.
        m_f->dialogs.openFilesAnswers.push_back({});
        w->Import1->trigger();
        QCOMPARE(m_f->dialogs.openRequests.back().initialDir, dataDir() + "/station");
    }

    void theSaveDialogCompletesTheExtension()
    {
        FileDialogState state;
        state.filter = "PNG|*.png|SVG|*.svg|PDF|*.pdf|All|*";
        state.initialDir = QDir::tempPath();
        state.fileName = QDir::tempPath() + "/fit.pdf";
        state.caption = "Save Picture";
        state.filterIndex = 2;
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QtDialogs::configure(dialog, state, true);
        QCOMPARE(dialog.windowTitle(), QString("Save Picture"));
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog.selectedNameFilter(), QString("PDF (*.pdf)"));
        QCOMPARE(dialog.defaultSuffix(), QString("pdf"));
        emit dialog.filterSelected("SVG (*.svg)");
        QCOMPARE(dialog.defaultSuffix(), QString("svg"));
        emit dialog.filterSelected("All (*)"); // names none: the first entry's
        QCOMPARE(dialog.defaultSuffix(), QString("png"));
    }

    void russianTexts()
    {
        openWindow(WindowFixture::sampleIni("ru"));
        QCOMPARE(w->lMaxTime->text(), QString::fromUtf8("Положение макс."));
        QCOMPARE(w->lMax->text(), QString::fromUtf8("Максимум"));
        QCOMPARE(w->cbox2->text(), QString::fromUtf8("Профиль потока"));
        openTable(dataFile("three.txt", threeDays()));
        QCOMPARE(status(), QString::fromUtf8("Открыт файл three.txt: 72 строки."));
        QCOMPARE(m_f->dialogs.openRequests.back().caption, QString::fromUtf8("Открыть (TXT)"));
        w->Run1->trigger();
        QVERIFY2(w->lZdO->text().startsWith("0,"), qPrintable(w->lZdO->text()));
        QCOMPARE(status(), QString::fromUtf8("Расчёт: 72 строки, dO %1.").arg(w->lZdO->text()));
        QVERIFY(w->Navigator->readout(30).contains(QString::fromUtf8(", смещение 30")));
        // Qt's own texts (the file dialogs' buttons) in Russian too.
        QVERIFY(QCoreApplication::translate("QFileDialog", "&Open") != QString("&Open"));
        w->About1->trigger();
        QCOMPARE(m_f->dialogs.messages.back().caption, QString::fromUtf8("О программе VEXLOR"));
        w->Manual1->trigger();
        QCOMPARE(w->m_help->browser()->source().toString(), QString("qrc:/manual/manual.ru.html"));
        QCOMPARE(w->m_help->windowTitle(), QString::fromUtf8("Руководство Vexlor"));
        // Back to English: Qt's texts too.
        w->English1->trigger();
        QCOMPARE(QCoreApplication::translate("QFileDialog", "&Open"), QString("&Open"));
    }

    void stationRefusesAPlaceOffTheGlobe()
    {
        openWindow();
        auto answer = [](const QString &lon, const QString &lat) {
            return [lon, lat](const QStringList &values) {
                QStringList out = values;
                out[0] = "Me";
                out[3] = lon;
                out[4] = lat;
                return std::optional<QStringList>(out);
            };
        };
        m_f->dialogs.formAnswers.push_back(answer("200", "45"));
        m_f->dialogs.formAnswers.push_back(answer("10,5", "-95"));
        m_f->dialogs.formAnswers.push_back(answer("10,5", "-33.9"));
        QVERIFY(w->Station1Click());
        QCOMPARE(m_f->dialogs.messages.size(), size_t(2));
        QVERIFY(m_f->dialogs.messages[0].text.contains("-180 to 180"));
        QVERIFY(m_f->dialogs.messages[0].text.contains("'200'"));
        QVERIFY(m_f->dialogs.messages[1].text.contains("-90 to 90"));
        // The form came back with what was typed.
        QCOMPARE(m_f->dialogs.forms[1].second[3], QString("200"));
        const auto station = w->m_settings.station(NetworkExport::stationFieldNames());
        QCOMPARE(station.at("Longitude"), QString("10,5"));
        QCOMPARE(station.at("Latitude"), QString("-33.9"));
        // Cancelled after a refusal: nothing is kept.
        m_f->dialogs.formAnswers.push_back(answer("-181", "0"));
        QVERIFY(!w->Station1Click());
        QCOMPARE(w->m_settings.station(NetworkExport::stationFieldNames()).at("Longitude"),
                 QString("10,5"));
    }

    void dateFieldsTakeATypedDate_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("end"); // the key that ends the typing
        QTest::addColumn<QDate>("expected");
        const QDate before(2008, 12, 1), may9(2025, 5, 9);
        QTest::newRow("the format, Enter") << "09.05.2025" << int(Qt::Key_Return) << may9;
        QTest::newRow("short, Tab") << "9.5.2025" << int(Qt::Key_Tab) << may9;
        QTest::newRow("digits, Enter") << "09052025" << int(Qt::Key_Enter) << may9;
        QTest::newRow("Escape keeps the date") << "09.05.2025" << int(Qt::Key_Escape) << before;
        QTest::newRow("no such date") << "31.02.2025" << int(Qt::Key_Return) << before;
    }
    void dateFieldsTakeATypedDate()
    {
        QFETCH(QString, typed);
        QFETCH(int, end);
        QFETCH(QDate, expected);
        openWindow();
        w->dtp1->setDate(QDate(2008, 12, 1));
        w->dtp1->setFocus();
        QTRY_VERIFY(w->dtp1->hasFocus());
        QLineEdit *edit = w->dtp1->findChild<QLineEdit *>();
        edit->selectAll();
        QTest::keyClicks(w->dtp1, typed);
        QVERIFY(static_cast<DateField *>(w->dtp1)->typing());
        QTest::keyClick(w->dtp1, Qt::Key(end));
        QCOMPARE(w->dtp1->date(), expected);
        QCOMPARE(edit->text(), expected.toString("dd.MM.yyyy"));
        QVERIFY(!static_cast<DateField *>(w->dtp1)->typing());
        if (end == Qt::Key_Tab)
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->dtp2));
    }

    void keyboardOnlyReachesEveryControl()
    {
        openWindow();
        // The keys start in the table: an arrow moves its cursor, not the page.
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->strGrid));
        press(QKeyCombination(Qt::Key_Right));
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        // The DATA page in its reading order.
        w->dtp1->setFocus();
        QTRY_VERIFY(w->dtp1->hasFocus());
        for (QWidget *next : std::vector<QWidget *>{w->dtp2, w->cbDataList, w->strGrid}) {
            press(QKeyCombination(Qt::Key_Tab));
            QCOMPARE(QApplication::focusWidget(), next);
        }
        // The GRAPH page's controls, the colour swatches too.
        w->PageControl1->setCurrentIndex(1);
        w->UpA->setFocus();
        QTRY_VERIFY(w->UpA->hasFocus());
        for (QWidget *next : std::vector<QWidget *>{w->UpB, w->UpMInt, w->UpMax, w->cbox1,
                                                    w->Shape1, w->cbox2, w->Shape2}) {
            press(QKeyCombination(Qt::Key_Tab));
            QCOMPARE(QApplication::focusWidget(), next);
        }
        press(QKeyCombination(Qt::Key_Space));
        QCOMPARE(m_f->dialogs.colorPresets.size(), size_t(1)); // Shape2's colour asked
        QCOMPARE(m_f->dialogs.colorPresets[0], w->Shape2->brushColor());
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
