// Bad input and failing writes, end to end in the window: each ends with a
// clear message, and the table, the settings file and earlier files stay.
#include "WindowFixture.h"
#include "table/gui/StringGrid.h"

#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

class TestBadInput : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;
    StringGrid *grid = nullptr;
    QByteArray m_settings;

    void fillTable() { WindowFixture::fillSmallTable(*w); }
    void checkTableUnchanged()
    {
        QCOMPARE(grid->rowCountWithHeader(), 3);
        QCOMPARE(grid->cell(0, 1), QString("01.02.2009"));
        QCOMPARE(grid->cell(2, 2), QString("77"));
        QCOMPARE(m_f->readFile("VEXLOR.ini"), m_settings);
    }
    // The one message the command ended with, box or error box.
    QString onlyMessage()
    {
        QStringList all = m_f->dialogs.errors;
        for (const ShownMessage &m : m_f->dialogs.messages)
            all << m.text;
        return all.size() == 1 ? all[0]
                               : QString("%1 messages: %2").arg(all.size()).arg(all.join(" | "));
    }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni("en"));
        grid = w->strGrid;
        m_settings = m_f->readFile("VEXLOR.ini");
        fillTable();
    }
    void cleanup() { m_f.reset(); }

    void observationFilesThatCannotBeRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing.txt"
                                 << "No such file";
        QTest::newRow("a directory") << "adir"
                                     << "it is a directory";
        QTest::newRow("a PNG picture") << "picture.txt"
                                       << "it is not a text file";
        QTest::newRow("a NUL byte") << "nul.txt"
                                    << "it is not a text file";
    }
    void observationFilesThatCannotBeRead()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QDir(m_f->dir.path()).mkdir("adir");
        QImage(8, 8, QImage::Format_RGB32).save(m_f->dir.filePath("picture.txt"), "PNG");
        m_f->writeFile("nul.txt", QByteArray("Date\n01.02.2009\t1\t\0\t5\n", 22));
        const QString path = m_f->dir.filePath(name);
        m_f->dialogs.openAnswers.push_back(path);
        w->tbOpnTxt->trigger();
        const QString message = onlyMessage();
        QVERIFY2(message.contains(expected) && message.contains(QDir::toNativeSeparators(path)),
                 qPrintable(message));
        checkTableUnchanged();
    }

    void oddButValidTextFilesLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("dateMessage");
        QByteArray twenty = "H\n01.02.2009";
        for (int i = 1; i < 20; ++i)
            twenty += "\t" + QByteArray::number(i);
        QTest::newRow("20 fields") << twenty << 13 << "13" << false;
        QTest::newRow("Windows-1251") << QByteArray("H\n01.02.2009\t1\t2\t\xcf\xee\xf2\xee\xea\n")
                                      << 3 << QString::fromUtf8("Поток") << false;
        QTest::newRow("a 10 MB line")
            << ("H\n" + QByteArray(10 * 1024 * 1024, '7') + "\t1\n") << 1 << "1" << true;
    }
    void oddButValidTextFilesLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, col);
        QFETCH(QString, cell);
        QFETCH(bool, dateMessage);
        m_f->dialogs.openAnswers.push_back(m_f->writeFile("odd.txt", bytes));
        w->tbOpnTxt->trigger();
        QVERIFY(m_f->dialogs.errors.isEmpty());
        QCOMPARE(grid->rowCountWithHeader(), 2);
        QCOMPARE(grid->cell(col, 1), cell);
        QCOMPARE(m_f->dialogs.messages.size(),
                 size_t(dateMessage ? 1 : 0)); // MSG1 for a date it cannot read
        w->show();
        grid->viewport()->repaint(); // drawing a huge cell does not hang
    }

    void workbooksThatCannotBeRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("truncated") << "cut.xlsx"
                                   << "is damaged";
        QTest::newRow("encrypted") << "locked.xlsx"
                                   << "is encrypted";
        QTest::newRow("zip bomb") << "bomb.xlsx"
                                  << "unpacks to more than";
    }
    void workbooksThatCannotBeRead()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QFile good(QStringLiteral(VEXLOR_TEST_DATA "/openpyxl.xlsx"));
        good.open(QIODevice::ReadOnly);
        m_f->writeFile("cut.xlsx", good.readAll().left(2000));
        // A password-protected workbook is a compound file with an EncryptedPackage stream.
        QByteArray locked("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        locked += QByteArray(504, '\0') +
                  QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32) +
                  QByteArray(1000, '\0');
        m_f->writeFile("locked.xlsx", locked);
        {
            QuaZip zip(m_f->dir.filePath("bomb.xlsx"));
            zip.open(QuaZip::mdCreate);
            QuaZipFile f(&zip);
            f.open(QIODevice::WriteOnly, QuaZipNewInfo("xl/workbook.xml"));
            const QByteArray chunk(16 * 1024 * 1024, 'a');
            for (int i = 0; i < 17; ++i)
                f.write(chunk);
            f.close();
            zip.close();
        }
        const QString path = m_f->dir.filePath(name);
        m_f->dialogs.openAnswers.push_back(path);
        w->tbOpnXls->trigger();
        QCOMPARE(m_f->dialogs.messages.size(), size_t(1));
        QCOMPARE(m_f->dialogs.messages[0].flags, 16);
        QVERIFY2(m_f->dialogs.messages[0].text.contains(expected),
                 qPrintable(m_f->dialogs.messages[0].text));
        checkTableUnchanged();
    }

    void savesThatCannotBeMade_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::addColumn<QString>("name");
        QTest::newRow("text into a missing folder") << false << "missing/out.txt";
        QTest::newRow("text onto a folder") << false << "adir";
        QTest::newRow("workbook into a missing folder") << true << "missing/out.xlsx";
        QTest::newRow("workbook onto a folder") << true << "adir";
    }
    void savesThatCannotBeMade()
    {
        QFETCH(bool, workbook);
        QFETCH(QString, name);
        QDir(m_f->dir.path()).mkdir("adir");
        const QString earlier = m_f->writeFile("earlier.txt", "saved before\r\n");
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath(name));
        (workbook ? w->tbSavXls : w->tbSavTxt)->trigger();
        const QString message = onlyMessage();
        QVERIFY2(message.contains(QDir::toNativeSeparators(m_f->dir.filePath(name))),
                 qPrintable(message));
        QCOMPARE(m_f->readFile("earlier.txt"), QByteArray("saved before\r\n"));
        QVERIFY(QFileInfo(m_f->dir.filePath("adir")).isDir());
        QStringList files = QDir(m_f->dir.path()).entryList(QDir::Files | QDir::Hidden);
        files.sort();
        QCOMPARE(files, QStringList({"VEXLOR.ini", "earlier.txt"})); // no temporary file left
        (void)earlier;
        checkTableUnchanged();
    }

    void settingsFileThatIsADirectory()
    {
        WindowFixture f;
        QDir(f.dir.path()).mkdir("VEXLOR.ini");
        TfrmMain &window = f.open();
        QVERIFY(f.dialogs.errors.isEmpty()); // read as missing: the defaults
        QCOMPARE(window.GroupBox1->title(), QString("Lines"));
        window.English1->trigger();
        QCOMPARE(f.dialogs.errors.size(), 1);
        QVERIFY(f.dialogs.errors[0].startsWith("Unable to write to"));
        QVERIFY(QFileInfo(window.settingsPath()).isDir());
    }

    void cellsTheFitCannotRead_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("hour 24") << 1 << "24"
                                 << "'24' is not a valid hour of day";
        QTest::newRow("hour -1") << 1 << "-1"
                                 << "'-1' is not a valid hour of day";
        QTest::newRow("hour 1e3") << 1 << "1e3"
                                  << "'1e3' is not a valid integer value";
        QTest::newRow("hour 99999999999") << 1 << "99999999999"
                                          << "'99999999999' is not a valid integer value";
        QTest::newRow("count 12.5") << 2 << "12.5"
                                    << "'12.5' is not a valid integer value";
        QTest::newRow("count 1,000") << 2 << "1,000"
                                     << "'1,000' is not a valid integer value";
    }
    void cellsTheFitCannotRead()
    {
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(QString, error);
        grid->setRowCountWithHeader(73);
        for (int j = 0; j < 72; ++j) {
            grid->setCell(0, j + 1, QDate(2008, 12, 1).addDays(j / 24).toString("dd.MM.yyyy"));
            grid->setCell(1, j + 1, QString::number(j % 24));
            grid->setCell(2, j + 1, QString::number(j == 30 ? 95 : 10 + j % 7));
        }
        grid->setCell(col, 40, text);
        w->dtp1->setDate(QDate(2008, 12, 1));
        w->dtp2->setDate(QDate(2008, 12, 3));
        for (QAction *command : {w->tbRun, w->tbAutoCalc}) {
            m_f->dialogs.clear();
            command->trigger();
            QCOMPARE(m_f->dialogs.errors,
                     QStringList{error + QString("\nRow 40, column %1").arg(grid->cell(col, 0))});
            QCOMPARE(grid->row(), 40);
            QVERIFY(!w->tbSaveGraph->isEnabled());
            QVERIFY(w->lZdO->text().isEmpty());
            QCOMPARE(grid->cell(col, 40), text);
        }
    }
};

QTEST_MAIN(TestBadInput)
#include "test_badinput.moc"
