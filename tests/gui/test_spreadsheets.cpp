// Open (XLS) and Save (XLS) in the window.
#include "WindowFixture.h"
#include "files/workbook/Workbook.h"
#include "table/gui/StringGrid.h"

#include <QDateEdit>
#include <QDir>
#include <QTabWidget>
#include <QTest>

class TestSpreadsheets : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;
    StringGrid *grid = nullptr;

    void fillTable() { WindowFixture::fillSmallTable(*w); }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open("[self]\nLanguage=en\nDateFormat=dd.MM.yyyy\n[en]\nMSG1=bad "
                       "date\nMSG4=Books|*.xlsx;*.ods\n");
        grid = w->strGrid;
    }
    void cleanup() { m_f.reset(); }

    void openForeignWorkbooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("openpyxl xlsx") << "openpyxl.xlsx";
        QTest::newRow("LibreOffice ods") << "libreoffice.ods";
        QTest::newRow("LibreOffice xls") << "libreoffice.xls";
    }
    void openForeignWorkbooks()
    {
        QFETCH(QString, file);
        m_f->dialogs.openAnswers.push_back(QStringLiteral(VEXLOR_TEST_DATA "/") + file);
        w->tbOpnXls->trigger();
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());
        QVERIFY(m_f->dialogs.messages.empty());
        QCOMPARE(m_f->dialogs.openRequests[0].filter, QString("Books|*.xlsx;*.ods"));
        QCOMPARE(m_f->dialogs.openRequests[0].initialDir, w->ExeDir);
        QCOMPARE(grid->rowCountWithHeader(), 6);
        QCOMPARE(grid->cell(0, 1), QString("08.12.2008"));
        QCOMPARE(grid->cell(2, 3), QString("14.5"));
        QCOMPARE(grid->cell(12, 5), QString("99"));
        QCOMPARE(w->dtp1->date(), QDate(2008, 12, 8));
        QCOMPARE(w->dtp2->date(), QDate(2008, 12, 9));
        QVERIFY(w->tbRun->isEnabled());
    }

    void failedOpenKeepsTheTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a workbook") << "plain.xlsx" << QByteArray("just text");
        QTest::newRow("missing") << "missing.xlsx" << QByteArray();
        QTest::newRow("truncated zip") << "cut.xlsx" << QByteArray("PK\x03\x04\x14\x00\x00\x00", 8);
    }
    void failedOpenKeepsTheTable()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QString path = m_f->dir.filePath(name);
        if (!bytes.isEmpty())
            path = m_f->writeFile(name, bytes);
        fillTable();
        m_f->dialogs.openAnswers.push_back(path);
        w->tbOpnXls->trigger();
        QCOMPARE(m_f->dialogs.messages.size(), size_t(1));
        QCOMPARE(m_f->dialogs.messages[0].flags, 16);
        QVERIFY2(m_f->dialogs.messages[0].text.contains(QDir::toNativeSeparators(path)),
                 qPrintable(m_f->dialogs.messages[0].text));
        QCOMPARE(grid->rowCountWithHeader(), 3);
        QCOMPARE(grid->cell(2, 2), QString("77"));
        // The command goes on with the date-range refresh.
        QCOMPARE(w->dtp1->date(), QDate(2009, 2, 1));
        QVERIFY(w->tbRun->isEnabled());
    }

    void saveAndReopen()
    {
        fillTable();
        w->tbEdit->trigger();
        const QString path = m_f->dir.filePath("table.xls");
        m_f->dialogs.saveAnswers.push_back(path);
        w->tbSavXls->trigger();
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());
        QVERIFY(m_f->dialogs.messages.empty());
        QVERIFY(!grid->editing());
        QVERIFY(!w->tbEdit->isChecked()); // the button shows the mode
        QVERIFY(QFile::exists(path));
        w->tbNew->trigger();
        m_f->dialogs.openAnswers.push_back(path);
        w->tbOpnXls->trigger();
        QCOMPARE(grid->rowCountWithHeader(), 3);
        QCOMPARE(grid->cell(0, 2), QString("02.02.2009"));
        QCOMPARE(grid->cell(2, 2), QString("77"));
        QCOMPARE(grid->cell(1, 2), QString());
    }

    void failedSaveShowsTheComponentsError()
    {
        fillTable();
        w->tbEdit->trigger();
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("missing/table.xlsx"));
        w->tbSavXls->trigger();
        QCOMPARE(m_f->dialogs.messages.size(), size_t(1));
        QCOMPARE(m_f->dialogs.messages[0].flags, 16);
        QVERIFY(!grid->editing()); // the command went on after the failure
    }

    void commandsOnTheGraphPageDoNothing()
    {
        fillTable();
        w->PageControl1->setCurrentIndex(1);
        w->tbSaveGraph->setEnabled(true);
        w->OpenXLS1->trigger();
        QVERIFY(!w->tbSaveGraph->isEnabled());
        w->tbSaveGraph->setEnabled(true);
        w->SaveXLS1->trigger();
        QVERIFY(!w->tbSaveGraph->isEnabled());
        QVERIFY(m_f->dialogs.openRequests.empty());
        QVERIFY(m_f->dialogs.saveRequests.empty());
    }

    void cancelStillRefreshes()
    {
        fillTable();
        w->tbRun->setEnabled(false);
        m_f->dialogs.openAnswers.push_back(std::nullopt);
        w->tbOpnXls->trigger();
        QVERIFY(w->tbRun->isEnabled());
        w->tbRun->setEnabled(false);
        m_f->dialogs.saveAnswers.push_back(std::nullopt);
        w->tbSavXls->trigger();
        QVERIFY(w->tbRun->isEnabled());
        QCOMPARE(grid->cell(2, 2), QString("77"));
    }
};

QTEST_MAIN(TestSpreadsheets)
#include "test_spreadsheets.moc"
