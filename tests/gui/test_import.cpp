// Import, the network export and the colorgramme page in the window, and
// vexlor-fit on observers' files.
#include "WindowFixture.h"
#include "analysis/gui/ColorgrammeView.h"
#include "table/gui/TableEditor.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QImageReader>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

// A month of hourly counts as a station records it: a daily wave, a shower
// peaking on the 14th, and hours lost to outages (-1).
std::vector<int> stationMonth()
{
    std::vector<int> counts;
    quint32 seed = 12345;
    for (int k = 0; k < 31 * 24; ++k) {
        seed = seed * 1103515245u + 12345u;
        const int h = k % 24;
        const double sporadic = 30 + 20 * std::cos((h - 6) * 3.14159265 / 12);
        const double shower = 120 * std::exp(-std::abs(k - 13 * 24 - 5) / 30.0);
        const int noise = int(seed >> 16) % 9 - 4;
        counts.push_back(int(sporadic + shower) + noise);
    }
    for (int k : {40, 41, 42, 300, 301, 555, 600, 601, 602, 603, 743})
        counts[size_t(k)] = -1;
    return counts;
}

QByteArray monthlyTable(const std::vector<int> &counts)
{
    QByteArray out = "aug|";
    for (int h = 0; h < 24; ++h)
        out += QString::asprintf(" %02dh|", h).toLatin1();
    out += "\r\n";
    for (int d = 0; d < 31; ++d) {
        out += QString::asprintf("%02d|", d + 1).toLatin1();
        for (int h = 0; h < 24; ++h) {
            const int v = counts[size_t(d * 24 + h)];
            out += v < 0 ? QByteArray(" ???|") : QString::asprintf("%4d|", v).toLatin1();
        }
        out += "\r\n";
    }
    return out + "[Observer]Test\r\n[City]Nowhere\r\n";
}

QByteArray hourlyList(const std::vector<int> &counts, int from, int to)
{
    QByteArray out;
    for (int k = from; k < to; ++k)
        if (counts[size_t(k)] >= 0)
            out += QString::asprintf("202408%02d%02d , %02d , %03d\r\n", k / 24 + 1, k % 24, k % 24,
                                     counts[size_t(k)])
                       .toLatin1();
    return out;
}

QByteArray tabFile(const std::vector<int> &counts)
{
    QByteArray out = "Date\t\tHour\tSum\r\n";
    for (int k = 0; k < int(counts.size()); ++k)
        if (counts[size_t(k)] >= 0)
            out +=
                QString::asprintf("%02d.08.2024\t%d\t%d\r\n", k / 24 + 1, k % 24, counts[size_t(k)])
                    .toLatin1();
    return out;
}

QString tableText(const StringGrid &grid)
{
    QStringList rows;
    for (int r = 1; r < grid.rowCountWithHeader(); ++r) {
        QStringList cells;
        for (int c = 0; c < 13; ++c)
            cells << grid.cell(c, r);
        rows << cells.join(u'\t');
    }
    return rows.join(u'\n');
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;
    std::vector<int> m_counts = stationMonth();

    void openWindow(const QByteArray &language = "en")
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni(language));
        w->resize(870, 500);
        w->show();
    }
    void import(const QStringList &names)
    {
        QStringList paths;
        for (const QString &n : names)
            paths << m_f->dir.filePath(n);
        m_f->dialogs.openFilesAnswers.push_back(paths);
        w->Import1->trigger();
    }
    // Run over the whole month: the fit's parameters and dO.
    QString runResult()
    {
        w->PageControl1->setCurrentIndex(0);
        w->dtp1->setDate(QDate(2024, 8, 1));
        w->dtp2->setDate(QDate(2024, 8, 31));
        w->tbRun->trigger();
        return QStringLiteral("%1 %2 %3 %4 %5")
            .arg(w->LastRunParams.a)
            .arg(w->LastRunParams.b)
            .arg(w->LastRunParams.P)
            .arg(w->LastRunParams.M)
            .arg(QString::number(w->LastRunDO, 'g', 17));
    }

private slots:
    void init()
    {
        openWindow();
        m_f->writeFile("Test_082024rmob.TXT", monthlyTable(m_counts));
        m_f->writeFile("RMOB-202408.dat", hourlyList(m_counts, 0, 31 * 24));
        QDir(m_f->dir.path()).mkpath("first");
        m_f->writeFile("first/RMOB-202408.dat", hourlyList(m_counts, 0, 400));
        m_f->writeFile("second.csv",
                       "Date;Hour;Sum\n" +
                           tabFile(m_counts).mid(16).replace('\t', ';').replace("\r\n", "\n"));
        m_f->writeFile("month.txt", tabFile(m_counts));
    }
    void cleanup() { m_f.reset(); }

    // The same month as a monthly table, as an hourly list, and split over
    // two files, gives the rows and the Run of the tab-separated file.
    void sameRowsAndRun_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::newRow("monthly table") << QStringList{"Test_082024rmob.TXT"};
        QTest::newRow("hourly list") << QStringList{"RMOB-202408.dat"};
        QTest::newRow("split over two files, overlapping")
            << QStringList{"first/RMOB-202408.dat", "second.csv"};
        QTest::newRow("table and list together")
            << QStringList{"RMOB-202408.dat", "Test_082024rmob.TXT"};
    }
    void sameRowsAndRun()
    {
        QFETCH(QStringList, files);
        m_f->dialogs.openAnswers.push_back(m_f->dir.filePath("month.txt"));
        w->tbOpnTxt->trigger();
        const QString expectedRows = tableText(*w->strGrid);
        const QString expectedRun = runResult();
        QCOMPARE(w->strGrid->rowCountWithHeader(), 31 * 24 - 11 + 1);

        import(files);
        QCOMPARE(m_f->dialogs.errors, QStringList());
        QCOMPARE(tableText(*w->strGrid), expectedRows);
        QCOMPARE(runResult(), expectedRun);
        const QString summary = m_f->dialogs.texts().last();
        QVERIFY2(summary.startsWith(QString("Files imported: %1; hours: 733; days: 31.\n"
                                            "Hours missing between the first and the last: 10.\n"
                                            "02.08.2024 from 16h UT: 3 h\n")
                                        .arg(files.size())),
                 qPrintable(summary));
        // 743 is the month's last hour: it is not between the first and the last.
        QVERIFY(summary.endsWith("26.08.2024 from 00h UT: 4 h"));
    }

    void refusedFileLeavesTheTable()
    {
        WindowFixture::fillSmallTable(*w);
        w->Table->history().markSaved();
        const QString before = tableText(*w->strGrid);
        QByteArray bad = monthlyTable(m_counts);
        bad.replace("\r\n31|", "\r\n32|");
        m_f->writeFile("Bad_082024rmob.TXT", bad);
        import({"RMOB-202408.dat", "Bad_082024rmob.TXT"});
        QCOMPARE(tableText(*w->strGrid), before);
        QVERIFY(!w->Table->history().changed());
        const ShownMessage &m = m_f->dialogs.messages.back();
        QCOMPARE(m.flags, int(MB_ICONERROR));
        QVERIFY2(m.text.contains("Bad_082024rmob.TXT\", line 32: day 32 lies past the end of the "
                                 "month: August 2024 has 31 days"),
                 qPrintable(m.text));
    }

    void unsavedChangesFirst()
    {
        WindowFixture::fillSmallTable(*w);
        QVERIFY(w->Table->history().changed());
        m_f->dialogs.saveChoices.push_back(SaveChoice::Cancel);
        import({"RMOB-202408.dat"});
        QCOMPARE(m_f->dialogs.saveQuestions.size(), 1);
        QVERIFY(m_f->dialogs.openRequests.empty()); // no file dialog after Cancel
        QCOMPARE(w->strGrid->cell(0, 1), QString("01.02.2009"));
    }

    // An import is one step of the history; the table is changed, and has
    // no file of its own yet.
    void importIsAnUndoableChange()
    {
        m_f->dialogs.openAnswers.push_back(m_f->dir.filePath("month.txt"));
        w->tbOpnTxt->trigger();
        m_f->writeFile("RMOB-202409.dat", "2024090100 , 00 , 5\n");
        import({"RMOB-202409.dat"});
        QCOMPARE(w->strGrid->rowCountWithHeader(), 2);
        QCOMPARE(w->windowTitle(), QString("Vexlor 1.0 *"));
        w->Table->undo->trigger();
        QCOMPARE(w->strGrid->rowCountWithHeader(), 31 * 24 - 11 + 1);
    }

    void exportRoundTrip()
    {
        import({"Test_082024rmob.TXT"});
        const QString imported = tableText(*w->strGrid);
        // No observer yet: the Station form comes first.
        m_f->dialogs.formAnswers.push_back([](QStringList values) {
            values[0] = "Radio Ham";
            values[3] = "14.25";
            return std::optional<QStringList>(values);
        });
        QDir(m_f->dir.path()).mkpath("out");
        m_f->dialogs.folderAnswers.push_back(m_f->dir.filePath("out"));
        w->ExportNetwork1->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        QCOMPARE(m_f->dialogs.forms.size(), size_t(1));
        QCOMPARE(m_f->dialogs.forms[0].first.size(), 15);
        QVERIFY(m_f->dialogs.texts().last().contains("Radio_Ham_082024rmob.TXT\nRMOB-202408.dat"));
        const QByteArray table = m_f->readFile("out/Radio_Ham_082024rmob.TXT");
        QVERIFY(table.contains("[Observer]Radio Ham\r\n"));
        QVERIFY(table.contains("[Longitude]014d1500 E\r\n"));
        // The station is kept: a second export asks nothing.
        QCOMPARE(IniFile(w->settingsPath()).readString("station", "Observer", ""), "Radio Ham");

        import({"out/Radio_Ham_082024rmob.TXT"});
        QCOMPARE(tableText(*w->strGrid), imported);
        import({"out/RMOB-202408.dat"});
        QCOMPARE(tableText(*w->strGrid), imported);
        m_f->dialogs.folderAnswers.push_back(std::nullopt);
        w->ExportNetwork1->trigger();
        QCOMPARE(m_f->dialogs.forms.size(), size_t(1));
    }

    // The colorgramme follows the table through import, edit and undo, and
    // a click puts the cursor on the cell's row.
    void colorgrammeFollowsTheTable()
    {
        import({"Test_082024rmob.TXT"});
        ColorgrammeView *view = w->tsColorgramme;
        w->PageControl1->setCurrentWidget(view);
        QCOMPARE(view->data().days, 31);
        QCOMPARE(view->data().countedHours, qsizetype(733));
        QCOMPARE(view->data().counts[40], -1);

        // Row 2 is 01.08.2024 01h.
        w->strGrid->setCell(2, 2, "999");
        QCOMPARE(view->data().maximum, 999);
        w->Table->undo->trigger();
        QVERIFY(view->data().maximum < 999);

        const QRect plot = Colorgramme::layoutFor(view->data(), view->canvas()->size()).plot;
        const QPoint firstDayHour1(plot.left() + 2, plot.top() + plot.height() * 3 / 48);
        QCOMPARE(view->readoutAt(firstDayHour1),
                 QString("01.08.2024, 01h UT: %1").arg(m_counts[1]));
        QTest::mouseMove(view->canvas(), firstDayHour1);
        QCOMPARE(view->readout()->text(), QString("01.08.2024, 01h UT: %1").arg(m_counts[1]));
        // 02.08.2024 16h has no row.
        const QPoint missing(plot.left() + plot.width() * 3 / 62,
                             plot.top() + plot.height() * 33 / 48);
        QCOMPARE(view->readoutAt(missing), QString("02.08.2024, 16h UT: no count"));
        QTest::mouseClick(view->canvas(), Qt::LeftButton, {}, missing);
        QCOMPARE(w->PageControl1->currentWidget(), view); // nothing to go to
        QTest::mouseClick(view->canvas(), Qt::LeftButton, {}, firstDayHour1);
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        QCOMPARE(w->strGrid->row(), 2);

        w->cbDataList->setCurrentIndex(1); // N1: no counts
        QCOMPARE(view->data().countedHours, qsizetype(0));
        QCOMPARE(view->texts().empty,
                 QString("The table has no hours with a date, an hour and a count in N1."));
    }

    void colorgrammePicture()
    {
        import({"RMOB-202408.dat"});
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("cg.png"));
        w->tsColorgramme->saveButton()->click();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        QImageReader reader(m_f->dir.filePath("cg.png"));
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage image = reader.read();
        QCOMPARE(image.size(), QSize(1600, 900));
        // The picture has the scale's red and the missing hours' grey.
        const Colorgramme::Layout l =
            Colorgramme::layoutFor(w->tsColorgramme->data(), image.size());
        QCOMPARE(image.pixelColor(l.legend.center().x(), l.legend.top() + 1), QColor(220, 0, 0));
        const int x = l.plot.left() + l.plot.width() * 3 / 62,
                  y = l.plot.top() + l.plot.height() * 33 / 48;
        QCOMPARE(image.pixelColor(x, y), Colorgramme::missingColor());
    }

    void russianTexts()
    {
        openWindow("ru");
        m_f->writeFile("RMOB-202408.dat", hourlyList(m_counts, 0, 48));
        import({"RMOB-202408.dat"});
        QCOMPARE(m_f->dialogs.texts().last(),
                 QString::fromUtf8("Импортировано файлов: 1; часов: 45; дней: 2.\n"
                                   "Пропущено часов между первым и последним: 3.\n"
                                   "02.08.2024 с 16h UT: 3 ч"));
        QCOMPARE(w->tsColorgramme->saveButton()->text(), QString::fromUtf8("Сохранить рисунок..."));
    }

    // vexlor-fit reads the same formats and merges several files as Import.
    void fitMergesFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::newRow("tab-separated file") << QStringList{"month.txt"};
        QTest::newRow("monthly table") << QStringList{"Test_082024rmob.TXT"};
        QTest::newRow("two files") << QStringList{"first/RMOB-202408.dat", "second.csv"};
    }
    void fitMergesFiles()
    {
        QFETCH(QStringList, files);
        QStringList args;
        for (const QString &f : files)
            args << m_f->dir.filePath(f);
        args << "--from"
             << "01.08.2024"
             << "--to"
             << "31.08.2024"
             << "--colorgramme" << m_f->dir.filePath("fit.png");
        QProcess p;
        p.start(QStringLiteral(VEXLOR_FIT), args);
        QVERIFY(p.waitForFinished(60000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QVERIFY2(out.contains("rows 733\n"), qPrintable(out));
        QVERIFY(out.contains(QString("colorgramme %1\n").arg(m_f->dir.filePath("fit.png"))));
        QCOMPARE(QImageReader(m_f->dir.filePath("fit.png")).size(), QSize(1600, 900));
        // The dO of the window's Run on the same month.
        m_f->dialogs.openAnswers.push_back(m_f->dir.filePath("month.txt"));
        w->tbOpnTxt->trigger();
        runResult();
        QVERIFY(out.contains(QString("dO %1\n").arg(QString::asprintf("%.17g", w->LastRunDO))));
    }
};

QTEST_MAIN(TestImport)
#include "test_import.moc"
