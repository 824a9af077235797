// Saves onto a full disk and through links, and readers given hostile files:
// each ends with a clear message, quickly, and nothing the user had is lost.
#include "WindowFixture.h"
#include "app/Errors.h"
#include "app/IniFile.h"
#include "app/Job.h"
#include "files/TextFormat.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"
#include "tests/SmallDisk.h"

#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void fillRows(StringGrid *grid, int rows)
{
    grid->setRowCountWithHeader(rows + 1);
    for (int r = 1; r <= rows; ++r) {
        grid->setCell(0, r, QDate(2009, 1, 1).addDays((r - 1) / 24).toString("dd.MM.yyyy"));
        grid->setCell(1, r, QString::number((r - 1) % 24));
        grid->setCell(2, r, QString::number(r % 97));
    }
}

} // namespace

class TestHardening : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;

    QString onlyMessage()
    {
        QStringList all = m_f->dialogs.errors;
        for (const ShownMessage &m : m_f->dialogs.messages)
            all << m.text;
        return all.join(" | ");
    }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni("en"));
    }
    void cleanup() { m_f.reset(); }

    // ---- saves --------------------------------------------------------

    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Save (TXT)") << "txt";
        QTest::newRow("Save (XLS)") << "xls";
        QTest::newRow("settings") << "ini";
        QTest::newRow("Save Graph picture") << "bmp";
    }
    void fullDiskKeepsTheOldFile()
    {
        QFETCH(QString, command);
        SmallDisk disk(command == "bmp" ? "256k" : "32k");
        if (!disk.mounted())
            QSKIP("a tmpfs cannot be mounted here (the test needs root)");
        if (command == "ini") {
            // The settings file itself on the full disk.
            QFile::copy(m_f->dir.filePath("VEXLOR.ini"), disk.filePath("VEXLOR.ini"));
            m_f->window = std::make_unique<TfrmMain>(m_f->dialogs, disk.path());
            w = m_f->window.get();
        }
        const QString target = disk.filePath(command == "bmp" ? "out.bmp" : "old." + command);
        const QByteArray old = command == "ini" ? contents(disk.filePath("VEXLOR.ini"))
                                                : QByteArray("the old file\r\n");
        if (command != "ini") {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        fillRows(w->strGrid, 200); // some 8 KB of text, two pages
        if (command != "bmp")
            disk.fill();

        if (command == "txt" || command == "xls") {
            m_f->dialogs.saveAnswers.push_back(target);
            (command == "txt" ? w->tbSavTxt : w->tbSavXls)->trigger();
        } else if (command == "ini") {
            w->Russian1->trigger();
            QVERIFY(w->English1->isChecked()); // not applied
        } else {
            // The workbook of the curves fits; the picture beside it, some
            // megabytes, does not.
            w->dtp1->setDate(QDate(2009, 1, 1));
            w->dtp2->setDate(QDate(2009, 1, 9));
            w->tbRun->trigger();
            m_f->dialogs.saveAnswers.push_back(disk.filePath("out.xyz"));
            w->resize(1600, 1000);
            w->tbSaveGraph->trigger();
        }
        const QString message = onlyMessage();
        QVERIFY2(message.contains("No space left on device"), qPrintable(message));
        QVERIFY2(!message.contains("Unknown error"), qPrintable(message));
        if (command == "ini")
            QCOMPARE(contents(disk.filePath("VEXLOR.ini")), old);
        else
            QCOMPARE(contents(target), old);
        // Only the files that were there before: no temporary file stays.
        QStringList left = disk.files();
        left.removeAll("out.xyz");
        QCOMPARE(
            left,
            QStringList{
                QFileInfo(command == "ini" ? disk.filePath("VEXLOR.ini") : target).fileName()});
    }

    void savesWriteTheLinksTarget_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("relative");
        QTest::newRow("txt") << "txt" << false;
        QTest::newRow("xls") << "xls" << false;
        QTest::newRow("xls, relative link") << "xls" << true;
        QTest::newRow("settings") << "ini" << true;
    }
    void savesWriteTheLinksTarget()
    {
        QFETCH(QString, command);
        QFETCH(bool, relative);
        QDir(m_f->dir.path()).mkdir("real");
        const QString real = m_f->dir.filePath("real/data." + command);
        const QString link = m_f->dir.filePath(command == "ini" ? "VEXLOR.ini" : "link." + command);
        if (command == "ini")
            QFile::rename(link, real);
        else
            m_f->writeFile("real/data." + command, "old");
        QFile::remove(link);
        const QString pointsTo = relative ? "real/data." + command : real;
        QCOMPARE(::symlink(qPrintable(pointsTo), qPrintable(link)), 0);
        fillRows(w->strGrid, 3);
        if (command == "ini") {
            w->Russian1->trigger();
        } else {
            m_f->dialogs.saveAnswers.push_back(link);
            (command == "txt" ? w->tbSavTxt : w->tbSavXls)->trigger();
        }
        QCOMPARE(onlyMessage(), QString());
        QVERIFY(QFileInfo(link).isSymLink());
        const QByteArray written = contents(real);
        if (command == "txt")
            QVERIFY(written.startsWith("Date\t\tHour"));
        else if (command == "xls")
            QVERIFY(written.startsWith("PK"));
        else
            QVERIFY(written.contains("Language=ru"));
    }

    // ---- workbooks ----------------------------------------------------

    void hostileWorkbooksAreRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("strings nested 50 000 deep") << "nested-strings.xlsx"
                                                    << "is nested too deeply";
        QTest::newRow("8 KB xlsx of repeated text") << "repeated-text.xlsx"
                                                    << "more than 256 MB of text";
        QTest::newRow("640-byte ods of repeated text") << "repeated-text.ods"
                                                       << "more than 256 MB of text";
        QTest::newRow("xls dates near 2^29") << "slow-dates.xls"
                                             << "row 2, column 1 holds the serial 536870911";
        // Fuzzed: FreeXL writes below its stack buffer reading this one.
        QTest::newRow("xls that FreeXL overruns on") << "freexl-overrun.xls"
                                                     << "is damaged";
    }
    void hostileWorkbooksAreRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        WindowFixture::fillSmallTable(*w);
        m_f->dialogs.openAnswers.push_back(QStringLiteral(VEXLOR_TEST_DATA "/") + file);
        w->tbOpnXls->trigger();
        QVERIFY2(onlyMessage().contains(expected), qPrintable(onlyMessage()));
        QCOMPARE(m_f->dialogs.messages.at(0).flags, 16);
        QCOMPARE(w->strGrid->rowCountWithHeader(), 3);
        QCOMPARE(w->strGrid->cell(2, 2), QString("77"));
        QCOMPARE(m_f->dialogs.waitTexts.size(), 1);
        QVERIFY(m_f->dialogs.waitTexts[0].startsWith("Reading "));
    }

    void xlsDatesKeepEveryRow_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("serial 60, the day 1900 lacks") << "serial60.xls"
                                                       << "60"
                                                       << "08.12.2008";
        QTest::newRow("past 2100-02-28, where FreeXL's calendar drifts") << "year2100.xls"
                                                                         << "02.03.2100"
                                                                         << "02.03.2100";
    }
    void xlsDatesKeepEveryRow()
    {
        QFETCH(QString, file);
        QFETCH(QString, first);
        QFETCH(QString, second);
        m_f->dialogs.openAnswers.push_back(QStringLiteral(VEXLOR_TEST_DATA "/") + file);
        w->tbOpnXls->trigger();
        QCOMPARE(w->strGrid->rowCountWithHeader(), 6); // all five rows
        QCOMPARE(w->strGrid->cell(0, 1), first);
        QCOMPARE(w->strGrid->cell(0, 2), second);
        QCOMPARE(w->strGrid->cell(12, 5), QString("99"));
    }

    // Every long read and a paste run as a job while the window waits in
    // the box with Cancel; cancelled, the table is as it was, unchanged,
    // and the next command is taken as usual.
    void cancelledWorkLeavesTheTable_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("rowsAfter"); // with the header, when not cancelled
        QTest::newRow("open workbook") << "xls" << 6;
        QTest::newRow("open text") << "txt" << 3;
        QTest::newRow("import") << "import" << 3;
        QTest::newRow("paste") << "paste" << 4;
    }
    void cancelledWorkLeavesTheTable()
    {
        QFETCH(QString, command);
        QFETCH(int, rowsAfter);
        const QString text =
            m_f->writeFile("t.txt", "Date\tHour\tSum\n03.03.2009\t1\t4\n04.03.2009\t2\t5\n");
        const QString csv =
            m_f->writeFile("c.csv", "Date,Hour,Sum\n2009-03-03,1,4\n2009-03-03,2,5\n");
        const auto trigger = [&] {
            if (command == "xls") {
                m_f->dialogs.openAnswers.push_back(
                    QStringLiteral(VEXLOR_TEST_DATA "/libreoffice.ods"));
                w->tbOpnXls->trigger();
            } else if (command == "txt") {
                m_f->dialogs.openAnswers.push_back(text);
                w->tbOpnTxt->trigger();
            } else if (command == "import") {
                m_f->dialogs.openFilesAnswers.push_back({csv});
                w->Import1->trigger();
            } else {
                w->tbEdit->trigger();
                w->strGrid->setRow(2);
                w->strGrid->setCol(0);
                w->Table->pasteText("05.05.2025\t7\t12\n06.05.2025\t8\t13");
            }
        };
        WindowFixture::fillSmallTable(*w);
        w->Table->history().markSaved();
        m_f->dialogs.cancelWaits.push_back(true);
        trigger();
        QCOMPARE(m_f->dialogs.waitTexts.size(), 1);
        QCOMPARE(onlyMessage(), QString());
        QCOMPARE(w->strGrid->rowCountWithHeader(), 3);
        QCOMPARE(w->strGrid->cell(0, 2), QString("02.02.2009"));
        QCOMPARE(w->strGrid->cell(2, 2), QString("77"));
        QVERIFY(!w->Table->history().changed());
        trigger();
        QCOMPARE(w->strGrid->rowCountWithHeader(), rowsAfter);
        QVERIFY(w->strGrid->cell(0, 2) != QString("02.02.2009"));
    }

    // A save waits in the same box; cancelled, the table is not taken as
    // saved (its caption keeps the star) and whatever the dropped job
    // managed to write is a whole file or none. The next save is taken.
    void cancelledSaveIsNotTakenAsSaved_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::newRow("text") << false;
        QTest::newRow("workbook") << true;
    }
    void cancelledSaveIsNotTakenAsSaved()
    {
        QFETCH(bool, workbook);
        WindowFixture::fillSmallTable(*w);
        QVERIFY(w->Table->history().changed());
        const QString path = m_f->dir.filePath(workbook ? "t.xlsx" : "t.txt");
        QAction *save = workbook ? w->tbSavXls : w->tbSavTxt;
        m_f->dialogs.cancelWaits.push_back(true);
        m_f->dialogs.saveAnswers.push_back(path);
        save->trigger();
        QCOMPARE(m_f->dialogs.waitTexts.size(), 1);
        QVERIFY(m_f->dialogs.waitTexts[0].startsWith("Writing "));
        QVERIFY(w->Table->history().changed());
        QVERIFY(w->windowTitle().endsWith(" *"));
        JobThreads::waitForAll();
        // No temporary file is left, whether or not the job saw the cancel.
        QVERIFY(QDir(m_f->dir.path(), "*.vexlor-*", QDir::Name, QDir::Files | QDir::Hidden)
                    .entryList()
                    .isEmpty());
        m_f->dialogs.saveAnswers.push_back(path);
        save->trigger();
        QVERIFY(!w->Table->history().changed());
        QVERIFY(QFileInfo(path).size() > 0);
    }

    // ---- text and settings files --------------------------------------

    void textFilesWithoutBounds_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("FIFO") << "fifo"
                              << "it is not a regular file";
        QTest::newRow("/dev/zero") << "zero"
                                   << "it is not a regular file";
        QTest::newRow("10 MB of empty lines") << "lines"
                                              << "more than 1048576 lines";
        QTest::newRow("600 MB, sparse") << "large"
                                        << "larger than 512 MB";
        QTest::newRow("name not UTF-8") << "name"
                                        << "not UTF-8";
    }
    void textFilesWithoutBounds()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        QString path = m_f->dir.filePath(kind);
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
        } else if (kind == "zero") {
            path = "/dev/zero";
        } else if (kind == "lines") {
            m_f->writeFile(kind, QByteArray(10 * 1024 * 1024, '\n'));
        } else if (kind == "large") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(600LL * 1024 * 1024));
        } else {
            const QByteArray name = QFile::encodeName(m_f->dir.path()) + "/\xff\xfe.txt";
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
            path = QFile::decodeName(name); // as a file dialog hands it over
        }
        WindowFixture::fillSmallTable(*w);
        m_f->dialogs.openAnswers.push_back(path);
        w->tbOpnTxt->trigger();
        QVERIFY2(onlyMessage().contains(expected), qPrintable(onlyMessage()));
        QCOMPARE(w->strGrid->rowCountWithHeader(), 3);
    }

    void unreadableSettingsGiveDefaultsAndRefuseWrites_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("20 MB") << "large";
    }
    void unreadableSettingsGiveDefaultsAndRefuseWrites()
    {
        QFETCH(QString, kind);
        m_f->window.reset();
        const QString path = m_f->dir.filePath("VEXLOR.ini");
        QFile::remove(path);
        QByteArray large;
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
        } else {
            large = WindowFixture::sampleIni("ru") + QByteArray(20 * 1024 * 1024, ';');
            m_f->writeFile("VEXLOR.ini", large);
        }
        TfrmMain &window = m_f->open();                        // starts, and at once
        QCOMPARE(window.GroupBox1->title(), QString("Lines")); // as built, no language
        window.Russian1->trigger();
        const QString reason = kind == "fifo"
                                   ? "it is not a regular file"
                                   : "it is larger than 16 MB, more than the program reads";
        QCOMPARE(
            m_f->dialogs.errors,
            QStringList{
                QString("Unable to write to %1: %2").arg(QDir::toNativeSeparators(path), reason)});
        if (kind == "large")
            QCOMPARE(m_f->readFile("VEXLOR.ini").size(), large.size());
    }

    void settingsAreReadOncePerObject()
    {
        const QString path = m_f->writeFile("once.ini", "[self]\nGBC=1\n");
        IniFile ini(path);
        QCOMPARE(ini.readInteger("self", "GBC", 0), 1);
        m_f->writeFile("once.ini", "[self]\nGBC=2\n");
        QCOMPARE(ini.readInteger("self", "GBC", 0), 1); // what it read at first
        QCOMPARE(IniFile(path).readInteger("self", "GBC", 0), 2);
        ini.writeInteger("self", "SH0", 5); // a write works on the file as it is
        QCOMPARE(ini.readInteger("self", "GBC", 0), 2);
        QCOMPARE(ini.readInteger("self", "SH0", 0), 5);
    }

    void failuresInWords_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("expected");
        QTest::newRow("out of memory") << 0 << "There is not enough memory to finish this command";
        QTest::newRow("own text") << 1 << "'x' is not a valid integer value";
    }
    void failuresInWords()
    {
        QFETCH(int, which);
        QFETCH(QString, expected);
        try {
            if (which == 0)
                throw std::bad_alloc();
            throw EConvertError::notInteger("x");
        } catch (const std::exception &e) {
            QCOMPARE(failureText(e), expected);
        }
    }

    // ---- vexlor-fit --save --------------------------------------------

    void commandLineSave_data()
    {
        QTest::addColumn<QString>("out");
        QTest::newRow("text") << "out.txt";
        QTest::newRow("workbook") << "out.xlsx";
    }
    void commandLineSave()
    {
        QFETCH(QString, out);
        const QString source = QStringLiteral(VEXLOR_TEST_DATA "/libreoffice.xls");
        QProcess fit;
        fit.start(VEXLOR_FIT, {source, "--save", m_f->dir.filePath(out)});
        QVERIFY(fit.waitForFinished(60000));
        QCOMPARE(fit.exitCode(), 0);
        QCOMPARE(QString(fit.readAllStandardOutput()),
                 QString("saved %1\n").arg(m_f->dir.filePath(out)));
        // What it wrote opens in the window as the source does.
        m_f->dialogs.openAnswers.push_back(source);
        w->tbOpnXls->trigger();
        const std::vector<GridRow> expected = w->strGrid->model().rows();
        m_f->dialogs.openAnswers.push_back(m_f->dir.filePath(out));
        (out.endsWith("xlsx") ? w->tbOpnXls : w->tbOpnTxt)->trigger();
        QCOMPARE(onlyMessage(), QString());
        QCOMPARE(w->strGrid->model().rows().size(), expected.size());
        for (size_t r = 0; r < expected.size(); ++r)
            for (int c = 0; c < 13; ++c)
                QCOMPARE(w->strGrid->model().rows()[r].cell(c), expected[r].cell(c));
    }

    void commandLineSaveOntoAFullDisk()
    {
        SmallDisk disk("16k");
        if (!disk.mounted())
            QSKIP("a tmpfs cannot be mounted here (the test needs root)");
        const QString target = disk.filePath("out.txt");
        m_f->writeFile("rows.txt", TextFormat::HeaderLine + QByteArray("\n") +
                                       QByteArray("01.01.2009\t1\t5\n").repeated(2000));
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old table\n");
        }
        disk.fill();
        QProcess fit;
        // --replace: the old table is to be replaced, and the full disk must
        // leave it whole all the same.
        fit.start(VEXLOR_FIT, {m_f->dir.filePath("rows.txt"), "--save", target, "--replace"});
        QVERIFY(fit.waitForFinished(60000));
        QCOMPARE(fit.exitCode(), 1);
        QVERIFY(fit.readAllStandardError().contains("No space left on device"));
        QCOMPARE(QFileInfo(target).size(), 10);
        QCOMPARE(disk.files(), QStringList{"out.txt"});
    }
};

QTEST_MAIN(TestHardening)
#include "test_hardening.moc"
