// The one record of the last Run in the window: the chart's labels, Save
// Graph and Export CSV read it; the settings file's colours give the window's
// Save Picture and vexlor-fit --picture the same figure.
#include "WindowFixture.h"
#include "analysis/gui/ChartNavigator.h"
#include "files/workbook/Workbook.h"

#include <QDateEdit>
#include <QImage>
#include <QProcess>
#include <QTest>

class TestRunRecord : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;

    void open(const QByteArray &ini)
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(ini);
        w->resize(870, 500);
    }
    // Three days of hours; the row of offset 30 holds the peak. dates:
    // a text for the Date cell of some rows, by offset.
    void fill(const std::map<int, QString> &dates = {})
    {
        StringGrid *grid = w->strGrid;
        grid->setRowCountWithHeader(73);
        for (int j = 0; j < 72; ++j) {
            const auto date = dates.find(j);
            grid->setCell(0, j + 1,
                          date != dates.end()
                              ? date->second
                              : QDate(2008, 12, 1).addDays(j / 24).toString("dd.MM.yyyy"));
            grid->setCell(1, j + 1, QString::number(j % 24));
            grid->setCell(2, j + 1, QString::number(j == 30 ? 95 : 10 + (j * 7) % 9));
        }
        w->dtp1->setDate(QDate(2008, 12, 1));
        w->dtp2->setDate(QDate(2008, 12, 3));
    }

private slots:
    void cleanup() { m_f.reset(); }

    // Save Graph writes each point's date and hour as the Run read them,
    // also a date that holds a line break, and the values of the record.
    void saveGraphReadsTheRecord_data()
    {
        QTest::addColumn<QString>("date");
        QTest::newRow("a plain date") << "02.12.2008";
        QTest::newRow("a date cell with a line break") << "02.12.2008\rnote h (x)";
    }
    void saveGraphReadsTheRecord()
    {
        QFETCH(QString, date);
        open(WindowFixture::sampleIni("en"));
        fill({{40, date}});
        w->tbRun->trigger();
        QVERIFY(w->tbSaveGraph->isEnabled());
        QCOMPARE(w->PointLabels.size(), size_t(72));
        QCOMPARE(w->PointLabels[40].date, date);
        QCOMPARE(w->PointLabels[40].hour, 16);
        QCOMPARE(w->PointLabels[40].number, 41);
        QVERIFY(w->Navigator->readout(40).startsWith(date + " 16h, offset 40"));

        const QString path = m_f->dir.filePath("graph.xls");
        m_f->dialogs.saveAnswers.push_back(path);
        w->tbSaveGraph->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        WorkbookApplication excel;
        excel.workbooks().Add(path);
        const Worksheet &sheet = excel.ActiveWorkbook().ActiveSheet();
        // The whole date (the workbook may keep its line break as another
        // line end) and the row's own hour, not parts of the label's text.
        QVERIFY2(sheet.Cells(42, 1).startsWith("02.12.2008") &&
                     sheet.Cells(42, 1).endsWith(date.section(u'\r', 1)),
                 qPrintable(sheet.Cells(42, 1)));
        QCOMPARE(sheet.Cells(42, 2), QString("16"));
        QCOMPARE(sheet.Cells(43, 2), QString("17"));
        for (int i = 0; i < 72; ++i) {
            QCOMPARE(sheet.value(i + 2, 3)->number, w->m_run.DataRows[size_t(i)].Value);
            QCOMPARE(sheet.value(i + 2, 4)->number, w->m_run.ModelRows[size_t(i)].Profile);
            QCOMPARE(sheet.value(i + 2, 5)->number, w->m_run.DataRows[size_t(i)].Shower);
            QCOMPARE(sheet.value(i + 2, 6)->number, w->m_run.DataRows[size_t(i)].Sporadic);
        }
        QVERIFY(QFile::exists(m_f->dir.filePath("graph.bmp")));
    }

    // The figure of a Run in the colours of the settings file: the window's
    // and vexlor-fit's (next to the same file) are the same picture, and
    // other than the one in the default colours.
    void pictureTakesTheSettingsColours()
    {
        QByteArray ini = WindowFixture::sampleIni("en");
        ini.replace("[self]\n", "[self]\nSH0=8388736\nSH1=32896\nSH2=8421376\nSH3=4210752\n");
        ini.replace("[self]\r\n",
                    "[self]\r\nSH0=8388736\r\nSH1=32896\r\nSH2=8421376\r\nSH3=4210752\r\n");
        open(ini);
        QVERIFY(m_f->readFile("VEXLOR.ini").contains("SH3=4210752"));
        fill();
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("table.txt"));
        w->tbSavTxt->trigger(); // the file the figure names in its title
        m_f->dialogs.openAnswers.push_back(m_f->dir.filePath("table.txt"));
        w->tbOpnTxt->trigger();
        fill();
        w->tbRun->trigger();
        const QString window = m_f->dir.filePath("window.png");
        m_f->dialogs.saveAnswers.push_back(window);
        m_f->dialogs.formAnswers.push_back([](const QStringList &) {
            return std::optional<QStringList>({"800", "450"});
        });
        w->SavePicture1->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList());

        // vexlor-fit reads the settings file beside it.
        const QString fit = m_f->dir.filePath("vexlor-fit");
        QVERIFY(QFile::copy(QStringLiteral(VEXLOR_FIT), fit));
        const auto draw = [&](const QString &program, const QString &out) {
            QProcess p;
            p.start(program, {m_f->dir.filePath("table.txt"), "--from", "01.12.2008", "--to",
                              "03.12.2008", "--picture", out, "--size", "800x450"});
            return p.waitForFinished(60000) && p.exitCode() == 0;
        };
        QVERIFY(draw(fit, m_f->dir.filePath("fit.png")));
        QVERIFY(draw(QStringLiteral(VEXLOR_FIT), m_f->dir.filePath("default.png")));

        const QImage inWindow(window), fromFit(m_f->dir.filePath("fit.png")),
            inDefault(m_f->dir.filePath("default.png"));
        QCOMPARE(inWindow.size(), QSize(800, 450));
        QVERIFY(inWindow == fromFit);
        QVERIFY(!(inDefault == fromFit));
        bool purple = false; // SH0: red 128, blue 128
        for (int y = 0; y < fromFit.height() && !purple; ++y)
            for (int x = 0; x < fromFit.width() && !purple; ++x)
                purple = fromFit.pixelColor(x, y) == QColor(128, 0, 128);
        QVERIFY(purple);
    }
};

QTEST_MAIN(TestRunRecord)
#include "test_runrecord.moc"
