// The network's files from the window: one question before replacing, one
// set written all or nothing, a folder of its own.
#include "WindowFixture.h"
#include "app/gui/TfrmMain.h"
#include "table/GridModel.h"
#include "table/HourMarks.h"
#include "table/gui/TableEditor.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTest>

namespace {

// The settings the program ships, with a station named.
QByteArray stationIni()
{
    return WindowFixture::sampleIni("en") + "\n[station]\nObserver=Station One\n";
}

// Import's field at UT, in the data tables.
constexpr int NoOffset = -99;
std::optional<int> optionalOffset(int hours)
{
    return hours == NoOffset ? std::nullopt : std::optional<int>(hours);
}

} // namespace

class TestNetwork : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;

    QString folder(const QString &name)
    {
        QDir(m_f->dir.path()).mkpath(name);
        return m_f->dir.filePath(name);
    }

    // Nine days of May 2025, hour by hour.
    static void fillMay(TfrmMain &w)
    {
        w.strGrid->setRowCountWithHeader(9 * 24 + 1);
        for (int k = 0; k < 9 * 24; ++k) {
            w.strGrid->setCell(0, k + 1,
                               QStringLiteral("%1.05.2025").arg(k / 24 + 1, 2, 10, QChar(u'0')));
            w.strGrid->setCell(1, k + 1, QString::number(k % 24));
            w.strGrid->setCell(2, k + 1, QString::number(10 + k % 7));
        }
    }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(stationIni());
        fillMay(*w);
    }
    void cleanup()
    {
        m_f.reset();
        w = nullptr;
    }

    // A folder holding the station's own file of the month: Cancel keeps
    // it, "Replace all" replaces both files of the set.
    void existingFilesAskOnce_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("cancel") << false;
        QTest::newRow("replace all") << true;
    }
    void existingFilesAskOnce()
    {
        QFETCH(bool, replace);
        const QString out = folder("station");
        const QByteArray own = QByteArray("2025050100 , 00 , 84\r\n").repeated(705);
        m_f->writeFile("station/RMOB-202505.dat", own);
        m_f->writeFile("station/Station_One_052025rmob.TXT", "the station's own table");
        m_f->dialogs.folderAnswers.push_back(out);
        m_f->dialogs.replaceAnswers.push_back(replace);
        w->ExportNetwork1->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        QCOMPARE(m_f->dialogs.replaceQuestions.size(), 1);
        const QString &question = m_f->dialogs.replaceQuestions.front();
        QVERIFY2(question.contains("RMOB-202505.dat") &&
                     question.contains("Station_One_052025rmob.TXT"),
                 qPrintable(question));
        if (!replace) {
            QCOMPARE(m_f->readFile("station/RMOB-202505.dat"), own);
            QCOMPARE(m_f->readFile("station/Station_One_052025rmob.TXT"),
                     QByteArray("the station's own table"));
            QVERIFY(m_f->dialogs.messages.empty());
        } else {
            QCOMPARE(m_f->readFile("station/RMOB-202505.dat").count('\n'), 9 * 24);
            QVERIFY(m_f->readFile("station/Station_One_052025rmob.TXT").startsWith("may|"));
            QCOMPARE(QImage(QDir(out).filePath("Station_One_052025.jpg")).size(), QSize(700, 220));
            QVERIFY(m_f->dialogs.texts().last().startsWith("Wrote"));
        }
    }

    // A file of the set that cannot be written (its name is taken by a
    // folder): nothing of the set replaces anything, and the message says
    // which file failed and that none was written.
    void failedFileWritesNoPartialSet()
    {
        const QString out = folder("station");
        m_f->writeFile("station/Station_One_052025rmob.TXT", "the station's own table");
        folder("station/RMOB-202505.dat");
        m_f->dialogs.folderAnswers.push_back(out);
        m_f->dialogs.replaceAnswers.push_back(true);
        w->ExportNetwork1->trigger();
        QCOMPARE(m_f->readFile("station/Station_One_052025rmob.TXT"),
                 QByteArray("the station's own table"));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Station_One_052025rmob.TXT"});
        const ShownMessage &m = m_f->dialogs.messages.back();
        QCOMPARE(m.flags, int(MB_ICONERROR));
        QVERIFY2(m.text.contains("RMOB-202505.dat could not be written (it is a directory)") &&
                     m.text.contains("Not written: Station_One_052025rmob.TXT, RMOB-202505.dat") &&
                     !m.text.contains("Written:"),
                 qPrintable(m.text));
    }

    // The folder dialog remembers its own folder, not Import's.
    void folderOfItsOwn()
    {
        m_f->writeFile("RMOB-202408.dat", "2024080100 , 00 , 5\r\n");
        m_f->dialogs.openFilesAnswers.push_back({m_f->dir.filePath("RMOB-202408.dat")});
        w->Import1->trigger();
        m_f->dialogs.folderAnswers.push_back(folder("exports"));
        w->ExportNetwork1->trigger();
        QCOMPARE(m_f->dialogs.folderStarts.size(), 1);
        QVERIFY(m_f->dialogs.folderStarts[0] != m_f->dir.path());
        m_f->dialogs.folderAnswers.push_back(std::nullopt);
        w->ExportNetwork1->trigger();
        QCOMPARE(m_f->dialogs.folderStarts[1], folder("exports"));
    }

    // Marking from the grid's context menu: one step of the history, the
    // row shows its reason in a tooltip, Run leaves it out, undo takes the
    // mark away again.
    void markAndUnmarkWithUndo()
    {
        w->strGrid->setCurrentIndex(w->strGrid->model().index(4, 2));
        w->strGrid->selectionModel()->select(
            QItemSelection(w->strGrid->model().index(4, 0), w->strGrid->model().index(6, 12)),
            QItemSelectionModel::ClearAndSelect);
        QVERIFY(w->strGrid->actions().contains(w->Table->markHours));
        QVERIFY(w->strGrid->actions().contains(w->Table->unmarkHours));
        QCOMPARE(w->Table->markHours->text(), QString("Mark hours as disturbed"));
        QAction *sporadicE = w->Table->markReasons[1].first;
        QCOMPARE(sporadicE->text(), QString("sporadic E"));
        sporadicE->trigger();
        for (int row = 4; row <= 8; ++row)
            QCOMPARE(HourMarks::isMarked(w->strGrid->model(), row), row >= 5 && row <= 7);
        QCOMPARE(w->strGrid->model().cell(13, 6), QString("BAD:ES"));
        QCOMPARE(
            w->strGrid->model().data(w->strGrid->model().index(5, 2), Qt::ToolTipRole).toString(),
            QString("Marked as disturbed: sporadic E. Left out of Run, Auto Calc and the report."));
        QVERIFY(
            w->strGrid->model().data(w->strGrid->model().index(3, 2), Qt::ToolTipRole).isNull());
        w->Table->undo->trigger();
        for (int row = 5; row <= 7; ++row)
            QVERIFY(!HourMarks::isMarked(w->strGrid->model(), row));
        w->Table->redo->trigger();
        QVERIFY(HourMarks::isMarked(w->strGrid->model(), 6));
        w->Table->unmarkHours->trigger();
        QVERIFY(!HourMarks::isMarked(w->strGrid->model(), 6));
        w->Table->undo->trigger();
        QVERIFY(HourMarks::isMarked(w->strGrid->model(), 6));
    }

    // The Edit menu holds the same two items as the grid's context menu:
    // marking from it is one step of the history as well, and the menu
    // keys of the first design still name their items.
    void markFromEditMenu()
    {
        const QList<QAction *> items = w->Edit1->actions();
        const qsizetype mark = items.indexOf(w->Table->markHours);
        QVERIFY(mark > items.indexOf(w->Table->deleteRows));
        QCOMPARE(items.indexOf(w->Table->unmarkHours), mark + 1);
        QCOMPARE(w->Table->markHours->menu(), w->Table->markMenu);
        QCOMPARE(w->File1->title(), QString("&File"));
        w->strGrid->setCurrentIndex(w->strGrid->model().index(9, 2));
        const int steps = w->Table->history().stack().count();
        w->Table->markMenu->actions().at(2)->trigger(); // transmitter off
        QCOMPARE(w->strGrid->model().cell(HourMarks::Column, 10), QString("BAD:NS"));
        QCOMPARE(w->Table->history().stack().count(), steps + 1);
        w->Table->unmarkHours->trigger();
        QVERIFY(!HourMarks::isMarked(w->strGrid->model(), 10));
        w->Table->undo->trigger();
        QCOMPARE(w->strGrid->model().cell(HourMarks::Column, 10), QString("BAD:NS"));
    }

    // Another reason in the observer's own words, from the same menu: the
    // words (on one line) are the mark and its tooltip; a cancelled or
    // empty answer marks nothing.
    void markWithOwnWords_data()
    {
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("mark"); // empty: nothing marked
        QTest::newRow("cancelled") << false << ""
                                   << "";
        QTest::newRow("blank") << true << "  \t "
                               << "";
        QTest::newRow("words") << true << "mains hum"
                               << "BAD:mains hum";
        QTest::newRow("on one line") << true << " storm\n\tnearby "
                                     << "BAD:storm nearby";
    }
    void markWithOwnWords()
    {
        QFETCH(bool, answered);
        QFETCH(QString, words);
        QFETCH(QString, mark);
        QAction *other = w->Table->markOther;
        QCOMPARE(w->Table->markMenu->actions().last(), other);
        QCOMPARE(other->text(), QString("Another reason …"));
        if (answered)
            m_f->dialogs.formAnswers.push_back(
                [words](const QStringList &) { return QStringList{words}; });
        w->strGrid->setCurrentIndex(w->strGrid->model().index(2, 2));
        const int steps = w->Table->history().stack().count();
        other->trigger();
        QCOMPARE(m_f->dialogs.forms.back().first, QStringList{"The reason, in a few words:"});
        QCOMPARE(w->strGrid->model().cell(HourMarks::Column, 3), mark);
        QCOMPARE(w->Table->history().stack().count(), steps + (mark.isEmpty() ? 0 : 1));
        if (!mark.isEmpty())
            QVERIFY(w->strGrid->model()
                        .data(w->strGrid->model().index(2, 2), Qt::ToolTipRole)
                        .toString()
                        .contains(mark.mid(4)));
    }

    // Import's field of the hours' distance from UT: an hourly list kept in
    // local time lands in its UT hours across the year's start; UT reads the
    // hours as they stand. The next dialog shows the last answer.
    void importInLocalTime_data()
    {
        QTest::addColumn<int>("hours"); // NoOffset: UT
        QTest::addColumn<QString>("firstDate");
        QTest::addColumn<int>("firstHour");
        QTest::newRow("UT") << NoOffset << "01.01.2025" << 0;
        QTest::newRow("UT+9 (JST)") << 9 << "31.12.2024" << 15;
        QTest::newRow("UT-5") << -5 << "01.01.2025" << 5;
        QTest::newRow("UT+14") << 14 << "31.12.2024" << 10;
    }
    void importInLocalTime()
    {
        QFETCH(int, hours);
        const std::optional<int> offset = optionalOffset(hours);
        QFETCH(QString, firstDate);
        QFETCH(int, firstHour);
        m_f->writeFile("RMOB-202501.dat", "2025010100 , 00 , 7\r\n2025010101 , 01 , 8\r\n"
                                          "2025010102 , 02 , 9\r\n");
        m_f->dialogs.openFilesAnswers.push_back({m_f->dir.filePath("RMOB-202501.dat")});
        m_f->dialogs.offsetAnswers.push_back(offset);
        w->Import1->trigger();
        QCOMPARE(m_f->dialogs.errors, QStringList());
        QCOMPARE(m_f->dialogs.offsetsShown.size(), size_t(1));
        QCOMPARE(m_f->dialogs.offsetsShown[0], std::optional<int>());
        QVERIFY(m_f->dialogs.forms.empty()); // no question after the field
        const GridModel &grid = w->strGrid->model();
        QCOMPARE(grid.rowCountWithHeader(), 4);
        QCOMPARE(grid.cell(0, 1), firstDate);
        QCOMPARE(grid.cell(1, 1), QString::number(firstHour));
        QCOMPARE(grid.cell(2, 1), QString("7"));
        QCOMPARE(grid.cell(2, 3), QString("9"));
        // The field shows the answer again; a cancelled dialog keeps it.
        m_f->dialogs.offsetAnswers.push_back(3);
        w->Import1->trigger();
        QCOMPARE(m_f->dialogs.offsetsShown.size(), size_t(2));
        QCOMPARE(m_f->dialogs.offsetsShown[1], offset);
        w->Import1->trigger();
        QCOMPARE(m_f->dialogs.offsetsShown[2], offset);
    }

    // A table in local time that names no zone: with the field at UT the
    // offset is asked (and Cancel imports nothing); with an offset in the
    // field nothing is asked.
    void localTableAsksOnlyWithoutOffset_data()
    {
        QTest::addColumn<int>("hours");
        QTest::newRow("field at UT") << NoOffset;
        QTest::newRow("field at UT+9") << 9;
    }
    void localTableAsksOnlyWithoutOffset()
    {
        QFETCH(int, hours);
        const std::optional<int> offset = optionalOffset(hours);
        m_f->writeFile(
            "t2025.txt",
            "Jan| 00 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20 21 22 23\n"
            "01 |  2  2  2  8  1  0  3  4  5  6  7  8  9 10 11 12 13 14 15 16 17 18 19 20\n");
        m_f->dialogs.openFilesAnswers.push_back({m_f->dir.filePath("t2025.txt")});
        m_f->dialogs.offsetAnswers.push_back(offset);
        const int before = w->strGrid->model().rowCountWithHeader();
        w->Import1->trigger();
        QCOMPARE(m_f->dialogs.forms.size(), size_t(offset ? 0 : 1));
        if (!offset) {
            QCOMPARE(w->strGrid->model().rowCountWithHeader(), before);
            return;
        }
        QCOMPARE(w->strGrid->model().cell(0, 1), QString("31.12.2024"));
        QCOMPARE(w->strGrid->model().cell(1, 1), QString("15"));
    }

    // Russian texts for the marks.
    void marksInRussian()
    {
        m_f.reset();
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni("ru"));
        QCOMPARE(w->Table->markHours->text(), QString("Отметить часы как нарушенные"));
        QCOMPARE(w->Table->markReasons[0].first->text(), QString("помехи"));
    }
};

QTEST_MAIN(TestNetwork)
#include "test_network.moc"
