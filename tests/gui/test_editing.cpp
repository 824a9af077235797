// The table as an editor: undo and redo against the saved state, the
// question before a changed table is left, paste, copy and the row commands.
#include "WindowFixture.h"
#include "table/PasteBlock.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>

class TestEditing : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;
    StringGrid *grid = nullptr;

    bool changed() { return w->Table->history().changed(); }
    // A table of three rows in a file, opened.
    QString openThreeRows()
    {
        const QString path =
            m_f->writeFile("three.txt", "Date\t\tHour\tSum\r\n01.02.2009\t0\t5\r\n"
                                        "01.02.2009\t1\t6\r\n01.02.2009\t2\t7\r\n");
        m_f->dialogs.openAnswers.push_back(path);
        w->tbOpnTxt->trigger();
        return path;
    }
    void editOn()
    {
        if (!grid->editing())
            w->tbEdit->trigger();
    }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(WindowFixture::sampleIni("en"));
        grid = w->strGrid;
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    void cleanup() { m_f.reset(); }

    void undoRedoAgainstTheSavedState()
    {
        openThreeRows();
        QVERIFY(!changed());
        editOn();
        grid->setCell(2, 1, "50");
        grid->setCell(2, 2, "60");
        QVERIFY(changed());
        w->Table->undo->trigger();
        QCOMPARE(grid->cell(2, 2), QString("6"));
        w->Table->undo->trigger();
        QCOMPARE(grid->cell(2, 1), QString("5"));
        QVERIFY(!changed()); // back at the opened state
        w->Table->redo->trigger();
        QCOMPARE(grid->cell(2, 1), QString("50"));
        QVERIFY(changed());
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("saved.txt"));
        w->tbSavTxt->trigger();
        QVERIFY(!changed());
        w->Table->undo->trigger();
        QVERIFY(changed());
        QVERIFY(!w->Table->undo->isEnabled()); // opening started the history
    }

    void typingACellIsOneStep()
    {
        openThreeRows();
        editOn();
        grid->setFocus();
        grid->setCol(2);
        grid->setRow(3);
        QTest::keyClick(grid, Qt::Key_F2);
        QVERIFY(grid->editor());
        grid->editor()->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), "123");
        QCOMPARE(grid->cell(2, 3), QString("123"));
        w->Table->undo->trigger();
        QCOMPARE(grid->cell(2, 3), QString("7"));
        QVERIFY(!changed());
    }

    void ctrlZInTheCellEditorUndoesTheTable()
    {
        openThreeRows();
        editOn();
        grid->setFocus();
        grid->setCol(2);
        grid->setRow(1);
        QTest::keyClick(grid, Qt::Key_F2);
        QVERIFY(grid->editor());
        grid->editor()->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), "42");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(grid->cell(2, 1), QString("5"));
        QVERIFY(!changed());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(grid->cell(2, 1), QString("42"));
    }

    void newAndInsertAreUndone()
    {
        openThreeRows();
        editOn();
        w->tbNew->trigger(); // nothing changed: no question
        QVERIFY(m_f->dialogs.saveQuestions.isEmpty());
        QCOMPARE(grid->rowCountWithHeader(), 2);
        w->Table->undo->trigger();
        QCOMPARE(grid->rowCountWithHeader(), 4);
        QCOMPARE(grid->cell(2, 3), QString("7"));
    }

    void leavingAChangedTableAsks_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("choice");
        for (const char *path : {"Exit", "close box", "New", "Open (TXT)", "Open (XLS)"}) {
            QTest::addRow("%s, save", path) << QString(path) << int(SaveChoice::Save);
            QTest::addRow("%s, discard", path) << QString(path) << int(SaveChoice::Discard);
            QTest::addRow("%s, cancel", path) << QString(path) << int(SaveChoice::Cancel);
        }
    }
    void leavingAChangedTableAsks()
    {
        QFETCH(QString, path);
        QFETCH(int, choice);
        const QString file = openThreeRows();
        const QByteArray before = m_f->readFile("three.txt");
        editOn();
        grid->setCell(2, 1, "99");
        m_f->dialogs.saveChoices.push_back(SaveChoice(choice));
        const QString other = m_f->writeFile("other.txt", "Date\r\n02.02.2009\t0\t1\r\n");
        m_f->dialogs.openAnswers.push_back(
            path == "Open (XLS)" ? QStringLiteral(VEXLOR_TEST_DATA "/libreoffice.ods") : other);
        bool closed = false;
        if (path == "Exit")
            w->Exit1->trigger(), closed = !w->isVisible();
        else if (path == "close box")
            closed = w->close();
        else if (path == "New")
            w->tbNew->trigger();
        else
            (path == "Open (TXT)" ? w->tbOpnTxt : w->tbOpnXls)->trigger();
        QCOMPARE(m_f->dialogs.saveQuestions.size(), 1);
        QVERIFY(m_f->dialogs.saveQuestions[0].contains("Save the changes?"));
        QCOMPARE(m_f->dialogs.errors, QStringList());
        const bool leaves = SaveChoice(choice) != SaveChoice::Cancel;
        if (path == "Exit" || path == "close box")
            QCOMPARE(closed, leaves);
        else
            QCOMPARE(grid->cell(2, 1) == "99", !leaves); // the command went on or not
        // Saved to the file the table came from, in its format; else untouched.
        if (SaveChoice(choice) == SaveChoice::Save)
            QVERIFY(m_f->readFile("three.txt").contains("01.02.2009\t0\t99\t"));
        else
            QCOMPARE(m_f->readFile("three.txt"), before);
        Q_UNUSED(file);
    }

    void aNewTableIsSavedUnderANameAskedFor()
    {
        w->tbNew->trigger();
        grid->setCell(2, 1, "5");
        m_f->dialogs.saveChoices.push_back(SaveChoice::Save);
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("named.txt"));
        QVERIFY(w->close());
        QCOMPARE(m_f->dialogs.saveRequests.size(), size_t(1));
        QVERIFY(m_f->readFile("named.txt").startsWith("Date\t\tHour"));
        // No name given: nothing is left.
        init();
        w->tbNew->trigger();
        grid->setCell(2, 1, "5");
        m_f->dialogs.saveChoices.push_back(SaveChoice::Save);
        QVERIFY(!w->close());
    }

    void captionNamesTheFileAndMarksChanges()
    {
        QCOMPARE(w->windowTitle(), QString("Vexlor 1.0"));
        openThreeRows();
        QCOMPARE(w->windowTitle(), QString("Vexlor 1.0 - three.txt"));
        editOn();
        grid->setCell(2, 1, "8");
        QCOMPARE(w->windowTitle(), QString("Vexlor 1.0 - three.txt *"));
        w->Table->undo->trigger();
        QCOMPARE(w->windowTitle(), QString("Vexlor 1.0 - three.txt"));
        w->tbNew->trigger();
        QCOMPARE(w->windowTitle(), QString("Vexlor 1.0"));
    }

    void nothingIsAskedWhenNothingChanged()
    {
        openThreeRows();
        QVERIFY(w->close());
        QVERIFY(m_f->dialogs.saveQuestions.isEmpty());
    }

    void paste_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("counts") << "8\t9\r\n10\t11\r\n" << 2 << 2 << "";
        QTest::newRow("runs past the last row") << "02.02.2009\t3\t1\n02.02.2009\t4\t2\n"
                                                << 3 << 0 << "";
        QTest::newRow("empty cells") << "\t\t" << 1 << 0 << "";
        QTest::newRow("hour 25") << "5\n25" << 1 << 1
                                 << "row 2, column Hour would get '25', which is not a whole "
                                    "number from 0 to 23";
        QTest::newRow("a date of another form")
            << "2009-02-01" << 1 << 0
            << "row 1, column Date would get '2009-02-01', which is not a date of the form "
               "dd.MM.yyyy";
        QTest::newRow("negative count") << "1\t-1" << 2 << 2
                                        << "row 2, column N1 would get '-1', which is not a "
                                           "whole number of 0 or more";
        QTest::newRow("past column N10") << "1\t2" << 1 << 12
                                         << "row 1, column 14 would get '2', which is past the "
                                            "table's last column";
    }
    void paste()
    {
        QFETCH(QString, block);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, refusal);
        openThreeRows();
        editOn();
        grid->setCol(std::max(col, 1)); // away from the date picker's column first
        grid->setRow(row);
        grid->setCol(col);
        QApplication::clipboard()->setText(block);
        w->Table->paste->trigger();
        if (!refusal.isEmpty()) {
            QCOMPARE(m_f->dialogs.texts().size(), 1);
            QVERIFY2(m_f->dialogs.texts()[0].contains(refusal),
                     qPrintable(m_f->dialogs.texts()[0]));
            QVERIFY(!changed());
            return;
        }
        QVERIFY(m_f->dialogs.texts().isEmpty());
        const auto rows = PasteBlock::parse(block);
        for (size_t r = 0; r < rows.size(); ++r)
            for (qsizetype c = 0; c < rows[r].size(); ++c)
                QCOMPARE(grid->cell(col + int(c), row + int(r)), rows[r][c]);
        w->Table->undo->trigger(); // one step
        QCOMPARE(grid->rowCountWithHeader(), 4);
        QVERIFY(!changed());
    }

    void pasteNeedsEditing()
    {
        openThreeRows();
        QApplication::clipboard()->setText("1");
        grid->setCol(2);
        w->Table->paste->trigger();
        QCOMPARE(grid->cell(2, 1), QString("5"));
    }

    void copyGivesTabSeparatedCells()
    {
        openThreeRows();
        grid->selectionModel()->select(
            QItemSelection(grid->model().index(0, 1), grid->model().index(1, 2)),
            QItemSelectionModel::ClearAndSelect);
        w->Table->copy->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("0\t5\n1\t6\n"));
    }

    void rowCommands()
    {
        openThreeRows();
        editOn();
        grid->setCol(2);
        grid->setRow(2);
        w->Table->insertRow->trigger();
        QCOMPARE(grid->rowCountWithHeader(), 5);
        QCOMPARE(grid->cell(2, 2), QString());
        QCOMPARE(grid->cell(2, 3), QString("6"));
        grid->selectionModel()->select(
            QItemSelection(grid->model().index(1, 2), grid->model().index(3, 2)),
            QItemSelectionModel::ClearAndSelect);
        w->Table->deleteRows->trigger();
        QCOMPARE(grid->rowCountWithHeader(), 2);
        QCOMPARE(grid->cell(2, 1), QString("5"));
        w->Table->undo->trigger();
        w->Table->undo->trigger();
        QCOMPARE(grid->rowCountWithHeader(), 4);
        QVERIFY(!changed());
    }

    void minusAndSaveGiveTheSameLines()
    {
        const QString sample =
            QStringLiteral(VEXLOR_TEST_DATA "/../../resources/samples/perseids_2009.txt");
        m_f->dialogs.openAnswers.push_back(sample);
        w->tbOpnTxt->trigger();
        editOn();
        grid->setFocus();
        grid->setCol(2);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Minus);
        QVERIFY(!changed());
        m_f->dialogs.saveAnswers.push_back(m_f->dir.filePath("again.txt"));
        w->tbSavTxt->trigger();
        QVERIFY(m_f->dialogs.texts().isEmpty());
        QFile original(sample);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QByteArray a = original.readAll(), b = m_f->readFile("again.txt");
        a.replace("\r\n", "\n");
        b.replace("\r\n", "\n");
        QList<QByteArray> la = a.split('\n'), lb = b.split('\n');
        QCOMPARE(lb.size(), la.size());
        for (qsizetype i = 1; i < la.size(); ++i) // the header is the program's own
            QCOMPARE(lb[i].left(la[i].size()), la[i]);
    }
};

QTEST_MAIN(TestEditing)
#include "test_editing.moc"
