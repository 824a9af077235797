// Save Graph and the colour commands in the window.
#include "WindowFixture.h"
#include "app/Colors.h"
#include "app/gui/Widgets.h"
#include "files/workbook/Workbook.h"
#include "table/gui/StringGrid.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QImageReader>
#include <QLineSeries>
#include <QProcess>
#include <QSet>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QValueAxis>

class TestExport : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;

    void openWindow(const QByteArray &ini)
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(ini);
        w->resize(870, 500);
        w->show();
    }
    // Three days of hourly rows with a peak at row 31, chosen for the pickers.
    void fillThreeDays()
    {
        StringGrid *grid = w->strGrid;
        grid->setRowCountWithHeader(73);
        for (int j = 0; j < 72; ++j) {
            grid->setCell(0, j + 1, QDate(2008, 12, 1).addDays(j / 24).toString("dd.MM.yyyy"));
            grid->setCell(1, j + 1, QString::number(j % 24));
            grid->setCell(2, j + 1, QString::number(j == 30 ? 95 : 10 + (j * 7) % 9));
        }
        w->dtp1->setDate(QDate(2008, 12, 1));
        w->dtp2->setDate(QDate(2008, 12, 3));
    }
    void runOnThreeDays()
    {
        fillThreeDays();
        w->tbRun->trigger();
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());
        QVERIFY(w->tbSaveGraph->isEnabled());
    }
    void exportTo(const std::optional<QString> &name)
    {
        m_f->dialogs.saveAnswers.push_back(name);
        w->tbSaveGraph->trigger();
    }

private slots:
    void init() { openWindow(WindowFixture::sampleIni("en")); }
    void cleanup() { m_f.reset(); }

    void pictureNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("picture");
        QTest::newRow("three-letter extension replaced") << "result.xls"
                                                         << "result.bmp";
        QTest::newRow("no extension: appended") << "result"
                                                << "result.bmp";
        QTest::newRow("four-letter extension kept") << "result.xlsx"
                                                    << "result.xlsx.bmp";
    }
    void pictureNames()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, picture);
        runOnThreeDays();
        exportTo(m_f->dir.filePath(chosen));
        QCOMPARE(m_f->dialogs.errors.join("|"), QString());
        QVERIFY(m_f->dialogs.messages.empty());
        QVERIFY(QFile::exists(m_f->dir.filePath(chosen)));
        QVERIFY(QFile::exists(m_f->dir.filePath(picture)));
        QCOMPARE(m_f->dialogs.saveRequests.back().filter, w->msg(4));
    }

    void workbookHoldsTheCurvesAndParameters()
    {
        runOnThreeDays();
        w->UpA->setValue(7);
        w->tbRun->trigger();
        w->PageControl1->setCurrentIndex(0); // works from either page
        const QString path = m_f->dir.filePath("graph.xlsx");
        exportTo(path);
        WorkbookApplication excel;
        excel.workbooks().Add(path);
        Worksheet &sheet = excel.ActiveWorkbook().ActiveSheet();
        const QStringList header{"Date", "Hour", "Sum", "Shower Profile", "Shower", "Sporadic"};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(sheet.Cells(1, c + 1), header[c]);
        QCOMPARE(sheet.Cells(1, 7), QString());
        const QStringList names{"a", "b", "Maximum Int.", "Maximum"};
        for (int k = 0; k < 4; ++k)
            QCOMPARE(sheet.Cells(2, k + 8), names[k]);
        QCOMPARE(sheet.Cells(3, 8), QString("7"));
        QCOMPARE(sheet.value(3, 8)->kind, CellValue::Kind::Text); // the edit boxes' texts, as shown
        QCOMPARE(sheet.Cells(3, 10), w->UpMInt->text());
        QCOMPARE(sheet.Cells(3, 11), QString("95"));
        QCOMPARE(sheet.lastRow(), 73);
        for (int i = 0; i < 72; ++i) {
            QCOMPARE(sheet.Cells(i + 2, 1), w->strGrid->cell(0, i + 1));
            QCOMPARE(sheet.Cells(i + 2, 2), QString::number(i % 24));
            QCOMPARE(sheet.value(i + 2, 3)->number, w->ObservedSeries->at(i).y());
            QCOMPARE(sheet.value(i + 2, 4)->number, w->ProfileSeries->at(i).y());
            QCOMPARE(sheet.value(i + 2, 5)->number, w->ShowerSeries->at(i).y());
            QCOMPARE(sheet.value(i + 2, 6)->number, w->SporadicSeries->at(i).y());
        }
        QCOMPARE(w->PageControl1->currentIndex(), 0);
    }

    void hourPartOfALabel()
    {
        runOnThreeDays();
        w->PointLabels[0] = "05.11.2008\r17h (1)";
        const QString path = m_f->dir.filePath("label.xlsx");
        exportTo(path);
        WorkbookApplication excel;
        excel.workbooks().Add(path);
        QCOMPARE(excel.ActiveWorkbook().ActiveSheet().Cells(2, 1), QString("05.11.2008"));
        QCOMPARE(excel.ActiveWorkbook().ActiveSheet().Cells(2, 2), QString("17"));
    }

    void pictureIsTheChart()
    {
        runOnThreeDays();
        w->PageControl1->setCurrentIndex(0); // the chart is not the page shown
        exportTo(m_f->dir.filePath("pic.xls"));
        QImageReader reader(m_f->dir.filePath("pic.bmp"));
        QCOMPARE(reader.format(), QByteArray("bmp"));
        const QImage image = reader.read();
        QCOMPARE(image.size(), w->Chart1View->size());
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.contains(QColor(0, 0, 255).rgb()), "the observed line is drawn");
        QVERIFY(colours.size() > 4);
    }

    void pictureRightAfterAutoCalcIsTheScreens_data()
    {
        QTest::addColumn<bool>("autoCalc");
        QTest::newRow("after Run") << false;
        QTest::newRow("after Auto Calc") << true;
    }
    void pictureRightAfterAutoCalcIsTheScreens()
    {
        // Save Graph at once, with no event handled after the command: the
        // picture must hold the axes and labels the screen shows next.
        QFETCH(bool, autoCalc);
        fillThreeDays();
        (autoCalc ? w->tbAutoCalc : w->tbRun)->trigger();
        exportTo(m_f->dir.filePath("now.xls"));
        const QImage saved(m_f->dir.filePath("now.bmp"));
        QCoreApplication::processEvents();
        const QImage screen = w->Chart1View->grab().toImage().convertToFormat(saved.format());
        QCOMPARE(saved.size(), screen.size());
        QVERIFY(saved == screen);
    }

    void csvOfTheRunIsTheReference()
    {
        QVERIFY(!w->ExportCSV1->isEnabled()); // nothing to export before a Run
        runOnThreeDays();
        QVERIFY(w->ExportCSV1->isEnabled());
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("run.csv"));
        w->ExportCSV1->trigger();
        QCOMPARE(m_f->dialogs.saveRequests.back().filter, QString("CSV files|*.csv|All files|*.*"));
        const QList<QByteArray> csv = m_f->readFile("run.csv").split('\n');
        QCOMPARE(csv[0], QByteArray("offset,date,hour,observed,profile,shower,sporadic"));
        // The same table through vexlor-fit: its rows are the reference.
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("table.txt"));
        w->PageControl1->setCurrentIndex(0);
        w->tbSavTxt->trigger();
        QProcess fit;
        fit.start(VEXLOR_FIT, {m_f->dir.filePath("table.txt"), "--from", "01.12.2008", "--to",
                               "03.12.2008", "--rows", "--a", "50", "--b", "50", "--pos",
                               w->UpMInt->text(), "--max", w->UpMax->text()});
        QVERIFY(fit.waitForFinished(60000));
        const QList<QByteArray> lines = fit.readAllStandardOutput().split('\n');
        QByteArrayList rows;
        for (const QByteArray &l : lines)
            if (l.count('\t') == 6)
                rows << l;
        QCOMPARE(rows.size(), 72);
        for (qsizetype i = 0; i < rows.size(); ++i)
            QCOMPARE(csv[i + 1], rows[i].replace('\t', ','));
    }

    void cancelWritesNothingButRefreshes()
    {
        runOnThreeDays();
        w->tbRun->setEnabled(false);
        exportTo(std::nullopt);
        QVERIFY(w->tbRun->isEnabled());
        QCOMPARE(QDir(m_f->dir.path()).entryList(QDir::Files), QStringList{"VEXLOR.ini"});
    }

    void editModeIsLeftAlone()
    {
        runOnThreeDays();
        w->PageControl1->setCurrentIndex(0);
        w->tbEdit->trigger();
        w->tbSaveGraph->setEnabled(true);
        exportTo(m_f->dir.filePath("e.xls"));
        QVERIFY(w->strGrid->editing());
        QVERIFY(w->tbSaveGraph->isEnabled());
    }

    void failedWorkbookMeansNoPicture()
    {
        runOnThreeDays();
        exportTo(m_f->dir.filePath("missing/out.xls"));
        QCOMPARE(m_f->dialogs.messages.size(), size_t(1));
        QCOMPARE(m_f->dialogs.messages[0].flags, 16);
        QVERIFY(!QFile::exists(m_f->dir.filePath("missing/out.bmp")));
    }

    void pictureThatCannotBeWritten()
    {
        runOnThreeDays();
        QDir(m_f->dir.path()).mkdir("out.bmp"); // a folder where the picture should go
        w->tbRun->setEnabled(false);
        exportTo(m_f->dir.filePath("out.xls"));
        QCOMPARE(m_f->dialogs.errors,
                 QStringList{QString("Unable to write to %1: it is a directory")
                                 .arg(QDir::toNativeSeparators(m_f->dir.filePath("out.bmp")))});
        QVERIFY(QFile::exists(m_f->dir.filePath("out.xls"))); // written before the picture
        QVERIFY(!w->tbRun->isEnabled());                      // the handler ended there
    }

    void emptyDataListGivesAnEmptyHeader()
    {
        openWindow("[self]\nDateFormat=dd.MM.yyyy\n"); // no language: an empty list
        runOnThreeDays();
        const QString path = m_f->dir.filePath("nolist.xlsx");
        exportTo(path);
        WorkbookApplication excel;
        excel.workbooks().Add(path);
        QCOMPARE(excel.ActiveWorkbook().ActiveSheet().Cells(1, 3), QString());
        QCOMPARE(excel.ActiveWorkbook().ActiveSheet().Cells(1, 4), QString("Shower Profile"));
    }

    // ---- colours

    void swatchColour_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("rightButton");
        QTest::newRow("Shape1, left button") << 0 << false;
        QTest::newRow("Shape3, right button") << 2 << true;
    }
    void swatchColour()
    {
        QFETCH(int, index);
        QFETCH(bool, rightButton);
        runOnThreeDays();
        ColorSwatch *shapes[] = {w->Shape1, w->Shape2, w->Shape3, w->Shape4};
        QLineSeries *lines[] = {w->ObservedSeries, w->ProfileSeries, w->ShowerSeries,
                                w->SporadicSeries};
        ColorSwatch *shape = shapes[index];
        const QColor before = shape->brushColor();
        m_f->dialogs.colorAnswers.push_back(QColor(10, 20, 30));
        QTest::mouseClick(shape, rightButton ? Qt::RightButton : Qt::LeftButton);
        QCOMPARE(m_f->dialogs.colorPresets, std::vector<QColor>{before});
        QCOMPARE(shape->brushColor(), QColor(10, 20, 30));
        QCOMPARE(IniFile(w->settingsPath()).readInteger("self", QString("SH%1").arg(index), -1),
                 10 + 256 * 20 + 65536 * 30);
        QCOMPARE(lines[index]->pen().color(), before); // the line changes at the next run
        w->tbRun->trigger();
        QCOMPARE(lines[index]->pen().color(), QColor(10, 20, 30));
    }

    void cancelChangesNothing()
    {
        openWindow(QByteArray());
        m_f->dialogs.colorAnswers.push_back(std::nullopt);
        QTest::mouseClick(w->Shape2, Qt::LeftButton);
        m_f->dialogs.colorAnswers.push_back(std::nullopt);
        w->GridBackGroundColor1->trigger();
        m_f->dialogs.colorAnswers.push_back(std::nullopt);
        w->GridAxisColor1->trigger();
        QCOMPARE(m_f->dialogs.colorPresets.size(), size_t(3));
        QCOMPARE(w->Shape2->brushColor(), QColor(255, 0, 0));
        QCOMPARE(w->Chart1->backgroundBrush().color(), QColor(Qt::white));
        QVERIFY(!QFile::exists(w->settingsPath()));
    }

    void unchangedColourStillCreatesTheFile()
    {
        openWindow(QByteArray());
        m_f->dialogs.colorAnswers.push_back(QColor(Qt::white));
        w->GridBackGroundColor1->trigger();
        QCOMPARE(m_f->dialogs.colorPresets, std::vector<QColor>{QColor(Qt::white)});
        QCOMPARE(m_f->readFile("VEXLOR.ini"), QByteArray("[self]\r\nGBC=16777215\r\n"));
    }

    void backgroundAndGridColours()
    {
        m_f->dialogs.colorAnswers.push_back(QColor(1, 2, 3));
        w->GridBackGroundColor1->trigger();
        QCOMPARE(w->Chart1->backgroundBrush().color(), QColor(1, 2, 3));
        m_f->dialogs.colorAnswers.push_back(QColor(200, 100, 50));
        w->GridAxisColor1->trigger();
        QCOMPARE(m_f->dialogs.colorPresets.back(), QColor(Qt::black));
        QCOMPARE(w->BottomAxis->gridLineColor(), QColor(200, 100, 50));
        QCOMPARE(w->LeftAxis->gridLineColor(), QColor(200, 100, 50));
        const IniFile ini(w->settingsPath());
        QCOMPARE(ini.readInteger("self", "GBC", -1), 1 + 2 * 256 + 3 * 65536);
        QCOMPARE(ini.readInteger("self", "GAGC", -1), 200 + 100 * 256 + 50 * 65536);
        // They come back at the next start.
        TfrmMain again(m_f->dialogs, m_f->dir.path());
        QCOMPARE(again.Chart1->backgroundBrush().color(), QColor(1, 2, 3));
        QCOMPARE(again.LeftAxis->gridLineColor(), QColor(200, 100, 50));
    }

    void otherBytesOfTheLanguageFileStay()
    {
        const QByteArray before = m_f->readFile("VEXLOR.ini");
        m_f->dialogs.colorAnswers.push_back(QColor(0, 0, 0));
        QTest::mouseClick(w->Shape4, Qt::LeftButton);
        const QByteArray after = m_f->readFile("VEXLOR.ini");
        // The only difference is the new key, added to section self.
        QByteArray expected = before;
        expected.replace("DateFormat=dd.MM.yyyy\n", "DateFormat=dd.MM.yyyy\nSH3=0\n");
        QCOMPARE(after, expected);
    }

    void failedWriteKeepsTheColourForThisRun()
    {
        openWindow(QByteArray());
        QDir(m_f->dir.path()).mkdir("VEXLOR.ini");
        m_f->dialogs.colorAnswers.push_back(QColor(9, 9, 9));
        w->GridAxisColor1->trigger();
        QCOMPARE(m_f->dialogs.errors,
                 QStringList{QString("Unable to write to %1: it is a directory")
                                 .arg(QDir::toNativeSeparators(w->settingsPath()))});
        QCOMPARE(w->LeftAxis->gridLineColor(), QColor(9, 9, 9));
    }
};

QTEST_MAIN(TestExport)
#include "test_export.moc"
