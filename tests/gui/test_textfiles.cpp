// Open (TXT), Save (TXT) and the date-range refresh in the window.
#include "WindowFixture.h"
#include "table/gui/StringGrid.h"

#include <QDateEdit>
#include <QDir>
#include <QTabWidget>
#include <QTest>

namespace {

const QDate Today(2026, 3, 14);
const QString Sample =
    QStringLiteral(VEXLOR_TEST_DATA "/../../resources/samples/geminids_2008.txt");

} // namespace

class TestTextFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;
    StringGrid *grid = nullptr;

    QStringList messageTexts() const { return m_f->dialogs.texts(); }
    void fillTable() { WindowFixture::fillSmallTable(*w); }
    void open(const QString &path)
    {
        m_f->dialogs.openAnswers.push_back(path);
        w->tbOpnTxt->trigger();
    }

private slots:
    void initTestCase()
    {
        DateConv::setTodaySource([] { return Today; });
    }
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(
            "[self]\nLanguage=en\nDateFormat=dd.MM.yyyy\n[en]\nMSG1=bad date\nMSG3=Text|*.txt\n");
        grid = w->strGrid;
    }
    void cleanup() { m_f.reset(); }

    void openTheSample()
    {
        open(Sample);
        QVERIFY(m_f->dialogs.errors.isEmpty());
        QCOMPARE(m_f->dialogs.openRequests.size(), size_t(1));
        QCOMPARE(m_f->dialogs.openRequests[0].filter, QString("Text|*.txt"));
        QCOMPARE(m_f->dialogs.openRequests[0].initialDir, w->ExeDir);
        QCOMPARE(grid->rowCountWithHeader(), 241);
        QCOMPARE(grid->cell(0, 1), QString("08.12.2008"));
        QCOMPARE(grid->cell(1, 240), QString("23"));
        QCOMPARE(w->dtp1->date(), QDate(2008, 12, 8));
        QCOMPARE(w->dtp2->date(), QDate(2008, 12, 17));
        QVERIFY(w->tbRun->isEnabled());
        QVERIFY(!w->tbSaveGraph->isEnabled());
        // The dialog proposes the name chosen last.
        w->tbOpnTxt->trigger();
        QCOMPARE(m_f->dialogs.openRequests[1].fileName, Sample);
    }

    void commandsOnTheGraphPageDoNothing()
    {
        fillTable();
        w->PageControl1->setCurrentIndex(1);
        w->tbSaveGraph->setEnabled(true);
        m_f->dialogs.openAnswers.push_back(Sample);
        w->OpenTXT1->trigger();
        QVERIFY(!w->tbSaveGraph->isEnabled());
        w->tbSaveGraph->setEnabled(true);
        w->SaveTXT1->trigger();
        QVERIFY(!w->tbSaveGraph->isEnabled());
        QVERIFY(m_f->dialogs.openRequests.empty());
        QVERIFY(m_f->dialogs.saveRequests.empty());
        QCOMPARE(grid->cell(2, 2), QString("77"));
    }

    void cancelKeepsTheTableAndRefreshes()
    {
        fillTable();
        w->tbRun->setEnabled(false);
        m_f->dialogs.openAnswers.push_back(std::nullopt);
        w->tbOpnTxt->trigger();
        QCOMPARE(grid->rowCountWithHeader(), 3);
        QCOMPARE(grid->cell(2, 2), QString("77"));
        QVERIFY(w->tbRun->isEnabled());
        QCOMPARE(w->dtp1->date(), QDate(2009, 2, 1));
        QCOMPARE(w->dtp2->date(), QDate(2009, 2, 2));
    }

    void fileWithoutData_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("header only") << QByteArray("Date\t\tHour\tSum\r\n");
    }
    void fileWithoutData()
    {
        QFETCH(QByteArray, bytes);
        fillTable();
        open(m_f->writeFile("none.txt", bytes));
        QCOMPARE(grid->rowCountWithHeader(), 2);
        for (int c = 0; c < 14; ++c)
            QCOMPARE(grid->cell(c, 1), QString());
        QCOMPARE(w->dtp1->date(), Today);
        QCOMPARE(w->dtp2->date(), Today);
        QVERIFY(w->tbRun->isEnabled());
        QVERIFY(m_f->dialogs.messages.empty());
    }

    void unreadableDatesLoadAsTheyStand_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QDate>("dtp1");
        QTest::newRow("another locale's dates")
            << QByteArray("H\r\n12/8/2008\t0\t5\r\n12/9/2008\t0\t6\r\n") << QDate(2008, 11, 4);
        QTest::newRow("only the last unreadable")
            << QByteArray("H\r\n08.12.2008\t0\t5\r\n\t1\t6\r\n") << QDate(2008, 12, 8);
    }
    void unreadableDatesLoadAsTheyStand()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QDate, dtp1);
        open(m_f->writeFile("other.txt", bytes));
        QCOMPARE(grid->rowCountWithHeader(), 3);
        QCOMPARE(grid->cell(2, 2), QString("6"));
        QCOMPARE(messageTexts(), QStringList{"bad date"});
        QCOMPARE(m_f->dialogs.messages[0].flags, 48);
        QVERIFY(!w->tbRun->isEnabled());
        QCOMPARE(w->dtp1->date(), dtp1); // a picker set before the failure keeps its date
    }

    void failedOpenKeepsTheTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << "missing.txt";
        QTest::newRow("a directory") << "adir";
    }
    void failedOpenKeepsTheTable()
    {
        QFETCH(QString, name);
        QDir(m_f->dir.path()).mkdir("adir");
        fillTable();
        w->tbRun->setEnabled(false);
        const QString path = m_f->dir.filePath(name);
        open(path);
        QCOMPARE(m_f->dialogs.errors.size(), 1);
        QVERIFY2(m_f->dialogs.errors[0].contains(QDir::toNativeSeparators(path)),
                 qPrintable(m_f->dialogs.errors[0]));
        QCOMPARE(grid->rowCountWithHeader(), 3);
        QCOMPARE(grid->cell(0, 1), QString("01.02.2009"));
        QCOMPARE(grid->cell(2, 2), QString("77"));
        QVERIFY(!w->tbRun->isEnabled()); // the handler ended before the refresh
    }

    void saveAndReopen()
    {
        fillTable();
        grid->setCell(13, 1, "filler");
        grid->setCell(3, 2, "a\tb");
        w->tbEdit->trigger();
        QVERIFY(grid->editing());
        const QString path = m_f->dir.filePath("out.txt");
        m_f->dialogs.saveAnswers.push_back(path);
        w->tbSavTxt->trigger();
        QVERIFY(m_f->dialogs.errors.isEmpty());
        QCOMPARE(m_f->dialogs.saveRequests[0].filter, QString("Text|*.txt"));
        QCOMPARE(m_f->dialogs.saveRequests[0].initialDir, w->ExeDir);
        QVERIFY(!grid->editing());
        QVERIFY(!w->tbEdit->isChecked()); // the button shows the mode
        QCOMPARE(m_f->readFile("out.txt"),
                 QByteArray("Date\t\tHour\tSum\tN1\tN2\tN3\tN4\tN5\tN6\tN7\tN8\tN9\tN10\r\n"
                            "01.02.2009\t5\t\t\t\t\t\t\t\t\t\t\t\r\n"
                            "02.02.2009\t\t77\ta b\t\t\t\t\t\t\t\t\t\r\n"));
        w->tbNew->trigger();
        open(path);
        QCOMPARE(grid->rowCountWithHeader(), 3);
        QCOMPARE(grid->cell(0, 2), QString("02.02.2009"));
        QCOMPARE(grid->cell(3, 2), QString("a b"));
        QCOMPARE(grid->cell(13, 1), QString());
    }

    void saveDialogStartsWhereTheOpenDialogDoes()
    {
        w->OpenDialog1.initialDir = "/somewhere";
        m_f->dialogs.saveAnswers.push_back(std::nullopt);
        w->tbSavTxt->trigger();
        QCOMPARE(m_f->dialogs.saveRequests[0].initialDir, QString("/somewhere"));
    }

    void failedSaveReports_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing directory") << "missing/out.txt";
        QTest::newRow("onto a directory") << "adir";
    }
    void failedSaveReports()
    {
        QFETCH(QString, name);
        QDir(m_f->dir.path()).mkdir("adir");
        w->tbEdit->trigger();
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath(name));
        w->tbSavTxt->trigger();
        QCOMPARE(m_f->dialogs.errors.size(), 1);
        QVERIFY(grid->editing()); // the handler ended at the failure
        QVERIFY(QFileInfo(m_f->dir.filePath("adir")).isDir());
    }
};

QTEST_MAIN(TestTextFiles)
#include "test_textfiles.moc"
