// Start-up, the settings file's colours and the language loader in the window.
#include "WindowFixture.h"
#include "app/Colors.h"
#include "app/gui/Widgets.h"
#include "table/gui/StringGrid.h"

#include <QActionGroup>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QValueAxis>

namespace {

// A language section with every key the loader reads, texts tagged by key.
QByteArray section(const QByteArray &code, const QByteArray &skip = {})
{
    QByteArray s = "[" + code + "]\n";
    auto add = [&](const QByteArray &key, const QByteArray &value) {
        if (key != skip)
            s += key + "=" + value + "\n";
    };
    for (const char *k : {"M1", "M10", "M12", "M13", "M15", "M16", "M18", "M2", "M20", "M21", "M3",
                          "M30", "M31", "M4", "PC1", "PC2"})
        add(k, code + "-" + k);
    for (int t = 0; t <= 8; ++t)
        add("TB" + QByteArray::number(t), code + "-tip" + QByteArray::number(t));
    for (int c = 0; c <= 13; ++c)
        add("SG" + QByteArray::number(c), code + "-col" + QByteArray::number(c));
    for (int n = 1; n <= 20; ++n)
        add("MSG" + QByteArray::number(n), code + "-msg" + QByteArray::number(n));
    for (int l = 1; l <= 12; ++l)
        add("L" + QByteArray::number(l), code + "-L" + QByteArray::number(l));
    return s;
}

QStringList listItems(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void firstStartWithoutSettingsFile()
    {
        WindowFixture f;
        TfrmMain &w = f.open();
        QCOMPARE(w.windowTitle(), QString("Vexlor 1.0"));
        QCOMPARE(w.ExeDir, f.dir.path());
        QCOMPARE(w.PageControl1->currentIndex(), 0);
        QCOMPARE(w.lMaxTime->text(), QString("Maximum Int"));
        QCOMPARE(w.cbox2->text(), QString("Shower pofile"));
        QCOMPARE(w.GroupBox1->title(), QString("Lines"));
        QCOMPARE(w.lDataList->text(), QString("Data column"));
        for (int c = 0; c < 14; ++c)
            QCOMPARE(w.strGrid->cell(c, 0), QString());
        QCOMPARE(w.strGrid->horizontalHeader()->height(), 20);
        QCOMPARE(w.cbDataList->count(), 0);
        // The buttons named by the language file have no tool tip yet; a
        // later one has its built-in English text.
        for (QAction *button : w.ToolBar->actions())
            QCOMPARE(button->toolTip(),
                     button == w.tbImport ? QString("Import count files") : QString());
        for (const QString &m : w.Messages)
            QVERIFY(m.isEmpty());
        QCOMPARE(w.Shape1->brushColor(), QColor(0, 0, 255));
        QCOMPARE(w.Shape2->brushColor(), QColor(255, 0, 0));
        QCOMPARE(w.Shape3->brushColor(), QColor(255, 255, 0));
        QCOMPARE(w.Shape4->brushColor(), QColor(0, 128, 0));
        QCOMPARE(w.Chart1->backgroundBrush().color(), QColor(Qt::white));
        QCOMPARE(w.BottomAxis->gridLineColor(), QColor(Qt::black));
        QCOMPARE(w.LeftAxis->gridLineColor(), QColor(Qt::black));
        QVERIFY(w.English1->isChecked());
        QVERIFY(!w.tbSaveGraph->isEnabled());
        QVERIFY(w.tbRun->isEnabled());
        QVERIFY(!w.tbEdit->isChecked());
        QCOMPARE(w.StatusPanel0->panelWidth(), 0);
        QCOMPARE(w.strGrid->rowCountWithHeader(), 2);
        QCOMPARE(w.strGrid->col(), 0);
        QCOMPARE(w.strGrid->row(), 1);
        QVERIFY(!QFile::exists(w.settingsPath())); // nothing is created at start
        QVERIFY(f.dialogs.messages.empty());
        QVERIFY(f.dialogs.errors.isEmpty());
    }

    void coloursFromTheSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("decimal") << QByteArray("255") << QColor(255, 0, 0);
        QTest::newRow("0x") << QByteArray("0xFF0000") << QColor(0, 0, 255);
        QTest::newRow("dollar") << QByteArray("$FF0000") << QColor(0, 0, 255);
        QTest::newRow("no prefix is no number") << QByteArray("FF0000") << QColor(Qt::black);
        QTest::newRow("unreadable") << QByteArray("grey") << QColor(Qt::black);
    }
    void coloursFromTheSettingsFile()
    {
        QFETCH(QByteArray, value);
        QFETCH(QColor, expected);
        WindowFixture f;
        TfrmMain &w = f.open("[self]\nGAGC=" + value + "\nSH2=" + value + "\nGBC=" + value + "\n");
        QCOMPARE(w.BottomAxis->gridLineColor(), expected);
        QCOMPARE(w.LeftAxis->gridLineColor(), expected);
        QColor swatch = expected == QColor(Qt::black) ? QColor(255, 255, 0) : expected;
        QCOMPARE(w.Shape3->brushColor(), swatch);
        QColor background = expected == QColor(Qt::black) ? QColor(Qt::white) : expected;
        QCOMPARE(w.Chart1->backgroundBrush().color(), background);
    }

    void storedLanguageIsApplied()
    {
        WindowFixture f;
        TfrmMain &w = f.open("[self]\nLanguage=en\n" + section("en"));
        QCOMPARE(w.File1->title(), QString("en-M1"));
        QCOMPARE(w.New1->text(), QString("en-M10"));
        QCOMPARE(w.Exit1->text(), QString("en-M18"));
        QCOMPARE(w.GridAxisColor1->text(), QString("en-M21"));
        QCOMPARE(w.Russian1->text(), QString("en-M31"));
        QCOMPARE(w.About1->text(), QString("en-M4"));
        QCOMPARE(w.PageControl1->tabText(1), QString("en-PC2"));
        QCOMPARE(w.tbNew->toolTip(), QString("en-tip0"));
        QCOMPARE(w.tbSaveGraph->toolTip(), QString("en-tip8"));
        QCOMPARE(w.strGrid->cell(13, 0), QString("en-col13"));
        QCOMPARE(w.strGrid->horizontalHeader()->height(), 25);
        QStringList expected;
        for (int c = 2; c <= 12; ++c)
            expected << QString("en-col%1").arg(c);
        QCOMPARE(listItems(w.cbDataList), expected);
        QCOMPARE(w.cbDataList->currentIndex(), 0);
        QCOMPARE(w.msg(1), QString("en-msg1"));
        QCOMPARE(w.msg(20), QString("en-msg20"));
        QCOMPARE(w.lBobs->text(), QString("en-L1"));
        QCOMPARE(w.GroupBox1->title(), QString("en-L7"));
        QCOMPARE(w.cbox4->text(), QString("en-L11"));
        QCOMPARE(w.lDataList->text(), QString("en-L12"));
        QCOMPARE(w.strGrid->columnWidth(2), 60);
        QCOMPARE(w.strGrid->columnWidth(12), 60);
        QCOMPARE(w.strGrid->columnWidth(0), 101);
        QCOMPARE(w.strGrid->columnWidth(13), 587);
        QVERIFY(w.English1->isChecked());
    }

    void otherCodesAndCases_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArray>("sectionName");
        QTest::addColumn<QString>("tab");
        QTest::newRow("de with its section") << QByteArray("de") << QByteArray("de") << "de-PC1";
        QTest::newRow("EN reads section en") << QByteArray("EN") << QByteArray("en") << "en-PC1";
    }
    void otherCodesAndCases()
    {
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, sectionName);
        QFETCH(QString, tab);
        WindowFixture f;
        TfrmMain &w = f.open("[self]\nLanguage=ru\n" + section(sectionName));
        QVERIFY(w.Russian1->isChecked());
        w.SetLanguage(QString::fromLatin1(code));
        QCOMPARE(w.PageControl1->tabText(0), tab);
        QVERIFY(w.Russian1->isChecked()); // the check compares exactly
    }

    void russianWithoutItsSection()
    {
        WindowFixture f;
        TfrmMain &w = f.open("[self]\nLanguage=en\n" + section("en"));
        w.Russian1->trigger();
        QVERIFY(f.dialogs.errors.isEmpty());
        QVERIFY(w.Russian1->isChecked());
        QVERIFY(!w.English1->isChecked());
        QCOMPARE(IniFile(w.settingsPath()).readString("self", "Language", {}), QString("ru"));
        QCOMPARE(w.PageControl1->tabText(0), QString("en-PC1"));
        QCOMPARE(w.strGrid->cell(0, 0), QString("en-col0"));
        QCOMPARE(w.tbRun->toolTip(), QString());
        QCOMPARE(w.msg(1), QString());
        QCOMPARE(w.GroupBox1->title(), QString("Line"));
        QCOMPARE(w.lMaxTime->text(), QString("Maximum Int."));
        QCOMPARE(w.cbox2->text(), QString("Shower profile"));
        QCOMPARE(w.lDataList->text(), QString("Data Column"));
    }

    void missingHeaderKeyKeepsTheOldText()
    {
        WindowFixture f;
        TfrmMain &w = f.open("[self]\nLanguage=en\n" + section("en") + section("de", "SG4"));
        w.SetLanguage("de");
        QCOMPARE(w.strGrid->cell(4, 0), QString("en-col4"));
        QCOMPARE(w.cbDataList->itemText(2), QString("en-col4"));
        QCOMPARE(w.strGrid->cell(5, 0), QString("de-col5"));
    }

    void emptyLabelValueGivesEmptyCaption()
    {
        WindowFixture f;
        TfrmMain &w = f.open("[self]\nLanguage=en\n[en]\nL8=\n");
        QCOMPARE(w.cbox1->text(), QString());
        QCOMPARE(w.cbox2->text(), QString("Shower profile"));
    }

    void switchingResetsWidthsAndChoice()
    {
        WindowFixture f;
        TfrmMain &w = f.open("[self]\nLanguage=en\n" + section("en") + section("ru"));
        w.strGrid->setColumnWidth(5, 99);
        w.cbDataList->setCurrentIndex(3);
        w.Russian1->trigger();
        QCOMPARE(w.strGrid->columnWidth(5), 60);
        QCOMPARE(w.cbDataList->currentIndex(), 0);
        QCOMPARE(w.cbDataList->itemText(0), QString("ru-col2"));
    }

    void separatorKeys()
    {
        WindowFixture f;
        TfrmMain &w = f.open("[self]\nLanguage=en\n[en]\nM11=Just text\nM14=-\n");
        QVERIFY(!w.N1->isSeparator());
        QCOMPARE(w.N1->text(), QString("Just text"));
        QVERIFY(w.N2->isSeparator());
        QVERIFY(w.N3->isSeparator());
    }

    void emptyCodeChangesNothing()
    {
        WindowFixture f;
        TfrmMain &w = f.open("[self]\nLanguage=\n" + section(""));
        QCOMPARE(w.PageControl1->tabText(0), QString("DATA"));
        QCOMPARE(w.strGrid->horizontalHeader()->height(), 20);
        QCOMPARE(w.cbDataList->count(), 0);
    }

    void failedLanguageWriteChangesNothing()
    {
        WindowFixture f;
        TfrmMain &w = f.open();
        QVERIFY(QDir(f.dir.path()).mkdir("VEXLOR.ini")); // a directory where the file should be
        w.Russian1->trigger();
        QCOMPARE(f.dialogs.errors,
                 QStringList{QString("Unable to write to %1: it is a directory")
                                 .arg(QDir::toNativeSeparators(w.settingsPath()))});
        QVERIFY(w.English1->isChecked());
        QVERIFY(!w.Russian1->isChecked());
        QCOMPARE(w.GroupBox1->title(), QString("Lines")); // not applied
    }

    void shippedSettingsFileInBothLanguages()
    {
        for (const char *code : {"en", "ru"}) {
            WindowFixture f;
            TfrmMain &w = f.open(WindowFixture::sampleIni(code));
            QCOMPARE(w.cbDataList->count(), 11);
            QCOMPARE(w.strGrid->cell(0, 0),
                     QString::fromUtf8(code == QByteArray("en") ? "Date" : "Дата"));
            QCOMPARE(w.strGrid->cell(13, 0), QString());
            for (int n = 1; n <= 6; ++n)
                QVERIFY2(!w.msg(n).isEmpty(), code);
            // The file-type filters alternate descriptions and patterns.
            for (int n : {3, 4}) {
                const QStringList parts = w.msg(n).split('|');
                QVERIFY(parts.size() >= 2 && parts.size() % 2 == 0);
                for (qsizetype i = 1; i < parts.size(); i += 2)
                    QVERIFY2(parts[i].startsWith("*."), qPrintable(parts[i]));
            }
            QVERIFY(w.msg(4).contains("*.xlsx") && w.msg(4).contains("*.xls;") &&
                    w.msg(4).contains("*.ods"));
            QCOMPARE(DateConv::format(), QString("dd.MM.yyyy"));
            // A new item takes its X key; the M keys still name their items.
            const bool en = code == QByteArray("en");
            QCOMPARE(w.ExportCSV1->text(),
                     QString::fromUtf8(en ? "Export CSV..." : "Экспорт CSV..."));
            QCOMPARE(w.SavePicture1->text(),
                     QString::fromUtf8(en ? "Save Picture..." : "Сохранить рисунок..."));
            QCOMPARE(w.Import1->text(), QString::fromUtf8(en ? "Import..." : "Импорт..."));
            QCOMPARE(w.Station1->text(), QString::fromUtf8(en ? "Station..." : "Станция..."));
            QCOMPARE(w.PageControl1->tabText(2),
                     QString::fromUtf8(en ? "COLORGRAMME" : "КОЛОРГРАММА"));
            QCOMPARE(w.tbImport->toolTip(),
                     QString::fromUtf8(en ? "Import count files" : "Импорт файлов отсчётов"));
            QCOMPARE(w.Exit1->text(), QString::fromUtf8(en ? "E&xit" : "В&ыход"));
            QCOMPARE(w.SaveXLS1->text(),
                     QString::fromUtf8(en ? "S&ave (XLS)" : "Со&хранить (XLS)"));
            QVERIFY(w.N3->isSeparator());
            for (QAction *button : w.ToolBar->actions())
                QVERIFY(button->isSeparator() || !button->toolTip().isEmpty());
        }
        QCOMPARE(QtDialogs::qtFilter("Text files (*.txt)|*.txt|All|*.*"),
                 QString("Text files (*.txt);;All (*.*)"));
        QCOMPARE(QtDialogs::qtFilter("Books|*.xlsx;*.ods"), QString("Books (*.xlsx *.ods)"));
        // Import's field names the distances from UT with their signs.
        QCOMPARE(QtDialogs::offsetName(0), QString("UT"));
        QCOMPARE(QtDialogs::offsetName(9), QString("UT+9"));
        QCOMPARE(QtDialogs::offsetName(-12), QString::fromUtf8("UT\u221212"));
    }

    void captionsFitTheirPlaces_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::newRow("English") << QByteArray("en");
        QTest::newRow("Russian") << QByteArray("ru");
    }
    void captionsFitTheirPlaces()
    {
        // Each caption ends before the control beside it, and every control
        // stays inside the window's designed width.
        QFETCH(QByteArray, code);
        WindowFixture f;
        TfrmMain &w = f.open(WindowFixture::sampleIni(code));
        const std::vector<std::pair<QWidget *, QWidget *>> pairs = {
            {w.lBobs, w.dtp1},     {w.lEobs, w.dtp2},    {w.lDataList, w.cbDataList},
            {w.lKa, w.UpA},        {w.lKb, w.UpB},       {w.lMaxTime, w.UpMInt},
            {w.lMax, w.UpMax},     {w.UpMInt, w.Label2}, {w.UpMax, w.Label2},
            {w.lZdO, w.GroupBox1}, {w.dtp1, w.lEobs},    {w.dtp2, w.lDataList}};
        for (const auto &[caption, control] : pairs) {
            const int textEnd =
                caption->x() + std::max(caption->sizeHint().width(), caption->minimumWidth());
            QVERIFY2(textEnd <= control->x(),
                     qPrintable(caption->objectName() + " " + QString::number(textEnd) + " > " +
                                QString::number(control->x())));
            QVERIFY(control->x() + control->width() <= 870);
        }
    }

    void aboutBox()
    {
        WindowFixture f;
        TfrmMain &w = f.open();
        w.About1->trigger();
        QCOMPARE(f.dialogs.messages.size(), size_t(1));
        QCOMPARE(f.dialogs.messages[0].caption, QString("About VEXLOR"));
        QCOMPARE(f.dialogs.messages[0].text, QString("Vexlor 1.0 32 bit (10.11.2008)"));
        QCOMPARE(f.dialogs.messages[0].flags, 64);
    }

    void switchingPagesChangesNothing()
    {
        WindowFixture f;
        TfrmMain &w = f.open();
        w.strGrid->setCell(0, 1, "x");
        w.PageControl1->setCurrentIndex(1);
        w.PageControl1->setCurrentIndex(0);
        QCOMPARE(w.strGrid->cell(0, 1), QString("x"));
        QVERIFY(!QFile::exists(w.settingsPath()));
    }

    void statusPanelZeroIsDrawnBlue()
    {
        WindowFixture f;
        TfrmMain &w = f.open();
        QImage image(20, 10, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        w.StatusBar1DrawPanel(p, 0, QRect(0, 0, 10, 10));
        w.StatusBar1DrawPanel(p, 1, QRect(10, 0, 10, 10));
        p.end();
        QCOMPARE(image.pixelColor(5, 5), QColor(0, 0, 255));
        QCOMPARE(image.pixelColor(15, 5), QColor(Qt::white));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
