// The observation table in the window: New, Edit, the picker, keys, Insert.
#include "WindowFixture.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

namespace {

const QDate Today(2026, 3, 14);

QPoint cellCentre(StringGrid *grid, int col, int row)
{
    return grid->cellRect(col, row).center();
}

} // namespace

class TestTable : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    TfrmMain *w = nullptr;
    StringGrid *grid = nullptr;

    // Keys go where a user's keys go: to the widget that has the focus.
    void type(Qt::Key key, const QString &text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget();
        QVERIFY(target);
        if (text.isEmpty())
            QTest::keyClick(target, key, mods);
        else
            QTest::sendKeyEvent(QTest::Click, target, key, text, mods);
    }
    void typeText(const QString &text)
    {
        for (QChar c : text)
            type(Qt::Key(c.toUpper().unicode()), QString(c));
    }
    void click(int col, int row)
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, col, row));
    }
    QStringList messageTexts() const { return m_f->dialogs.texts(); }

private slots:
    void initTestCase()
    {
        DateConv::setTodaySource([] { return Today; });
    }

    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        w = &m_f->open(
            "[self]\nLanguage=en\nDateFormat=dd.MM.yyyy\n[en]\nMSG1=bad date\nMSG2=bad hour\n");
        grid = w->strGrid;
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    void cleanup()
    {
        m_f.reset();
        w = nullptr;
    }

    void newTable()
    {
        grid->setRowCountWithHeader(5);
        grid->setCell(3, 4, "7");
        w->tbNew->trigger();
        QCOMPARE(grid->rowCountWithHeader(), 2);
        QCOMPARE(grid->cell(3, 1), QString());
        QVERIFY(grid->editing());
        QVERIFY(w->tbEdit->isChecked());
        QVERIFY(w->tbRun->isEnabled());
        QVERIFY(w->sgDTPick->isVisible());
        QCOMPARE(w->sgDTPick->date(), Today);
        QCOMPARE(grid->col(), 0);
        QCOMPARE(grid->row(), 1);
        // The picker lies over the date cell of row 1.
        QPoint cell = grid->viewport()->mapTo(w->tsData, grid->cellRect(0, 1).topLeft());
        QCOMPARE(w->sgDTPick->pos(), cell);
        QCOMPARE(w->sgDTPick->width(), grid->cellRect(0, 1).width());
        QCOMPARE(w->sgDTPick->height(), 21);

        click(1, 1);
        // Leaving the picker without giving a date leaves the cell empty.
        QCOMPARE(grid->cell(0, 1), QString());
        QCOMPARE(grid->col(), 1);
        QCOMPARE(grid->row(), 1);
        QVERIFY(!w->sgDTPick->isVisible());
    }

    void commandsOnTheGraphPageOnlyDisableExport()
    {
        grid->setCell(2, 1, "5");
        w->PageControl1->setCurrentIndex(1);
        w->tbSaveGraph->setEnabled(true);
        w->tbNew->trigger();
        QVERIFY(!w->tbSaveGraph->isEnabled());
        w->tbSaveGraph->setEnabled(true);
        w->tbEdit->trigger();
        QVERIFY(!w->tbSaveGraph->isEnabled());
        QCOMPARE(grid->cell(2, 1), QString("5"));
        QVERIFY(!grid->editing());
    }

    void editTogglesAndResetsTheCursor()
    {
        grid->setRowCountWithHeader(4);
        grid->setCol(5);
        grid->setRow(3);
        w->tbEdit->trigger();
        QVERIFY(grid->editing());
        QVERIFY(w->tbEdit->isChecked());
        QCOMPARE(grid->col(), 0);
        QCOMPARE(grid->row(), 1);
        QVERIFY(w->sgDTPick->isVisible());
        w->tbEdit->trigger();
        QVERIFY(!grid->editing());
        QVERIFY(!w->tbEdit->isChecked());
        QVERIFY(!w->sgDTPick->isVisible());
    }

    void enterWalksTheRow_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("Hour to Sum") << 1 << 2;
        QTest::newRow("N9 to N10") << 11 << 12;
        QTest::newRow("N10 back to Date") << 12 << 0;
    }
    void enterWalksTheRow()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        grid->setRowCountWithHeader(3);
        grid->setFocus();
        grid->setCol(from);
        grid->setRow(2);
        type(Qt::Key_Return, "\r");
        QCOMPARE(grid->col(), to);
        QCOMPARE(grid->row(), 2);
    }

    void keyTranslation_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("virtualKey");
        QTest::newRow("Insert") << int(Qt::Key_Insert) << "" << 0 << 45;
        QTest::newRow("Return") << int(Qt::Key_Return) << "\r" << 0 << 13;
        QTest::newRow("keypad Enter")
            << int(Qt::Key_Enter) << "\r" << int(Qt::KeypadModifier) << 13;
        QTest::newRow("minus, Qt's 45") << int(Qt::Key_Minus) << "-" << 0 << 0;
        QTest::newRow("keypad minus") << int(Qt::Key_Minus) << "-" << int(Qt::KeypadModifier) << 0;
        QTest::newRow("M, Qt's 77") << int(Qt::Key_M) << "m" << 0 << 0;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << "\x7f" << 0 << 0;
        QTest::newRow("digit") << int(Qt::Key_5) << "5" << 0 << 0;
    }
    void keyTranslation()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(int, virtualKey);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
        QCOMPARE(StringGrid::virtualKey(&event), virtualKey);
    }

    void minusIsNoInsert()
    {
        w->tbNew->trigger(); // editing on
        grid->setCell(0, 1, "01.02.2009");
        grid->setCell(1, 1, "1");
        grid->setCell(2, 1, "5");
        grid->setFocus();
        grid->setCol(2);
        type(Qt::Key_Minus, "-");
        type(Qt::Key_Minus, "-", Qt::KeypadModifier);
        QCOMPARE(grid->rowCountWithHeader(), 2);
        type(Qt::Key_Insert); // Insert itself still adds the row
        QCOMPARE(grid->rowCountWithHeader(), 3);
    }

    void deleteWorksInTheEditor()
    {
        w->tbNew->trigger();
        grid->setCell(2, 1, "123");
        grid->setFocus();
        grid->setCol(2);
        type(Qt::Key_F2);
        QVERIFY(grid->editor());
        type(Qt::Key_Home);
        type(Qt::Key_Delete, "\x7f");
        QCOMPARE(grid->editor()->text(), QString("23"));
        QCOMPARE(grid->cell(2, 1), QString("23"));
    }

    void typingWhileEditingIsOffChangesNothing()
    {
        grid->setRowCountWithHeader(4);
        for (int r = 1; r <= 3; ++r)
            grid->setCell(2, r, QString::number(r * 11)); // 11, 22, 33
        grid->setFocus();
        grid->setCol(2);
        typeText("2");
        typeText("3");
        QCOMPARE(grid->row(), 1);
        QCOMPARE(grid->cell(2, 1), QString("11"));
    }

    void editButtonShowsTheMode()
    {
        QVERIFY(!w->tbEdit->isChecked());
        w->PageControl1->setCurrentIndex(1);
        w->tbEdit->trigger(); // does nothing on the GRAPH page
        QCOMPARE(w->tbEdit->isChecked(), grid->editing());
        w->PageControl1->setCurrentIndex(0);
        w->tbEdit->trigger();
        QVERIFY(grid->editing() && w->tbEdit->isChecked());
        grid->setEditing(false); // as a save does
        QVERIFY(!w->tbEdit->isChecked());
    }

    void refusedFillerClickKeepsTheHighlight()
    {
        grid->setCol(5);
        click(13, 1);
        QCOMPARE(grid->col(), 5);
        QVERIFY(grid->selectionModel()->isSelected(grid->currentIndex()));
    }

    void fillerColumnIsRefused()
    {
        grid->setFocus();
        grid->setCol(12);
        type(Qt::Key_Right);
        QCOMPARE(grid->col(), 12);
        click(13, 1);
        QCOMPARE(grid->col(), 12);
        click(3, 1);
        QCOMPARE(grid->col(), 3);
    }

    void insertAppendsBelowAFilledRow_data()
    {
        QTest::addColumn<bool>("editing");
        QTest::newRow("editing off") << false;
        QTest::newRow("editing on") << true;
    }
    void insertAppendsBelowAFilledRow()
    {
        QFETCH(bool, editing);
        if (editing)
            w->tbEdit->trigger();
        grid->setFocus();
        grid->setCol(3);
        grid->setCell(0, 1, "01.01.2009");
        grid->setCell(1, 1, "0");
        type(Qt::Key_Insert);
        QCOMPARE(grid->rowCountWithHeader(), 2); // Sum is empty
        grid->setCell(2, 1, "12");
        type(Qt::Key_Insert);
        QCOMPARE(grid->rowCountWithHeader(), 3);
        QCOMPARE(grid->row(), 1); // the cursor does not move
        type(Qt::Key_Insert);
        QCOMPARE(grid->rowCountWithHeader(), 3); // the new last row is empty
    }

    void characterFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("digits") << "123"
                                << "123";
        QTest::newRow("minus") << "-"
                               << "";
        QTest::newRow("full stop") << "1.5"
                                   << "15";
        QTest::newRow("letters") << "a7b"
                                 << "7";
        QTest::newRow("space and slash") << " 4/"
                                         << "4";
        QTest::newRow("Cyrillic") << QString::fromUtf8("д9") << "9";
    }
    void characterFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        w->tbEdit->trigger();
        click(3, 1);
        QCOMPARE(grid->col(), 3);
        typeText(typed);
        QCOMPARE(grid->cell(3, 1), expected);
    }

    void backspaceWorks()
    {
        w->tbEdit->trigger();
        click(4, 1);
        typeText("456");
        type(Qt::Key_Backspace, "\b");
        QCOMPARE(grid->cell(4, 1), QString("45"));
    }

    void pasteCannotSlipLettersIn()
    {
        w->tbEdit->trigger();
        click(3, 1);
        typeText("1");
        QLineEdit *editor = grid->editor();
        QVERIFY(editor);
        QCOMPARE(editor->contextMenuPolicy(), Qt::NoContextMenu);
        QApplication::clipboard()->setText("ab");
        type(Qt::Key_Insert, {}, Qt::ShiftModifier);
        editor->paste(); // the way a context menu or a drop would insert
        QCOMPARE(grid->cell(3, 1), QString("1"));
        QApplication::clipboard()->setText("23");
        editor->paste();
        QCOMPARE(grid->cell(3, 1), QString("123"));
    }

    void hourCheck_data()
    {
        QTest::addColumn<QString>("hour");
        QTest::addColumn<bool>("editing");
        QTest::addColumn<bool>("message");
        QTest::addColumn<QString>("after");
        QTest::newRow("30") << "30" << true << true << "23";
        QTest::newRow("24") << "24" << true << true << "23";
        QTest::newRow("23") << "23" << true << false << "23";
        QTest::newRow("0") << "0" << true << false << "0";
        QTest::newRow("30 with editing off") << "30" << false << true << "23";
    }
    void hourCheck()
    {
        QFETCH(QString, hour);
        QFETCH(bool, editing);
        QFETCH(bool, message);
        QFETCH(QString, after);
        if (editing)
            w->tbEdit->trigger();
        grid->setCell(1, 1, hour);
        click(1, 1);
        m_f->dialogs.clear();
        typeText("x");
        QCOMPARE(messageTexts(), message ? QStringList{"bad hour"} : QStringList{});
        if (message)
            QCOMPARE(m_f->dialogs.messages[0].flags, 48);
        QCOMPARE(grid->cell(1, 1), after);
    }

    void digitAfterTheHourCheckReplacesTheReloadedText()
    {
        w->tbEdit->trigger();
        grid->setCell(1, 1, "30");
        click(1, 1);
        m_f->dialogs.clear();
        typeText("5");
        QCOMPARE(messageTexts(), QStringList{"bad hour"});
        QTRY_COMPARE(grid->cell(1, 1), QString("5"));
    }

    void hourCheckReloadsAnOpenEditor()
    {
        w->tbEdit->trigger();
        click(1, 1);
        typeText("3");
        typeText("0");
        QCOMPARE(grid->cell(1, 1), QString("30"));
        QVERIFY(grid->editor());
        typeText("7"); // the check sees 30, writes 23, the 7 replaces it
        QCOMPARE(messageTexts(), QStringList{"bad hour"});
        QCOMPARE(grid->cell(1, 1), QString("7"));
    }

    void enterFinishesBeforeTheCheck()
    {
        w->tbEdit->trigger();
        click(1, 1);
        typeText("30");
        type(Qt::Key_Return, "\r");
        QCOMPARE(grid->col(), 2);
        QVERIFY(m_f->dialogs.messages.empty());
        QTRY_COMPARE(grid->cell(1, 1), QString("30"));
    }

    void unreadableHourGoesToTheErrorBox()
    {
        grid->setCell(1, 1, "abc");
        click(1, 1);
        typeText("1");
        QCOMPARE(m_f->dialogs.errors, QStringList{"'abc' is not a valid integer value"});
        QCOMPARE(grid->cell(1, 1), QString("abc"));
    }

    void unreadableDateOpensThePickerOnToday_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("31st of February") << "31.02.2008";
        QTest::newRow("other order") << "2008-11-05";
    }
    void unreadableDateOpensThePickerOnToday()
    {
        QFETCH(QString, text);
        grid->setRowCountWithHeader(3);
        grid->setCell(0, 2, text);
        w->tbEdit->trigger();
        m_f->dialogs.clear();
        click(0, 2);
        QCOMPARE(messageTexts(), QStringList{"bad date\nRow 2 holds '" + text + "'."});
        QCOMPARE(m_f->dialogs.messages[0].flags, 48);
        QVERIFY(w->sgDTPick->isVisible());
        QCOMPARE(w->sgDTPick->date(), Today);
        QCOMPARE(grid->cell(0, 2), text); // unchanged until the picker closes
        type(Qt::Key_Return, "\r");
        QCOMPARE(grid->cell(0, 2), QString("14.03.2026"));
        QCOMPARE(grid->col(), 1);
        QVERIFY(!w->sgDTPick->isVisible());
    }

    void pickerWritesTheChosenDate()
    {
        grid->setCell(0, 1, "05.11.2008");
        w->tbEdit->trigger();
        QVERIFY(w->sgDTPick->isVisible());
        QCOMPARE(w->sgDTPick->date(), QDate(2008, 11, 5));
        w->sgDTPick->setDate(QDate(2008, 11, 6));
        type(Qt::Key_Return, "\r");
        QCOMPARE(grid->cell(0, 1), QString("06.11.2008"));
    }

    // The picker writes a date only where the user gave one, and never over
    // a cell that changed while it was open.
    void pickerWritesOnlyWhatTheUserGave_data()
    {
        QTest::addColumn<QString>("before"); // the cell when the picker opens
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("after");
        QTest::newRow("empty, left") << ""
                                     << "leave"
                                     << "";
        QTest::newRow("unreadable, left") << "31.02.2025"
                                          << "leave"
                                          << "31.02.2025";
        QTest::newRow("readable, left") << "05.11.2008"
                                        << "leave"
                                        << "05.11.2008";
        QTest::newRow("empty, Enter") << ""
                                      << "enter"
                                      << "14.03.2026";
        QTest::newRow("unreadable, picked") << "31.02.2025"
                                            << "pick"
                                            << "28.02.2025";
        QTest::newRow("empty, pasted over, left") << ""
                                                  << "paste"
                                                  << "09.09.2009";
        QTest::newRow("picked, then pasted over") << ""
                                                  << "pick paste"
                                                  << "09.09.2009";
        QTest::newRow("picked, then another date cell") << "05.11.2008"
                                                        << "pick other"
                                                        << "28.02.2025";
    }
    void pickerWritesOnlyWhatTheUserGave()
    {
        QFETCH(QString, before);
        QFETCH(QString, action);
        QFETCH(QString, after);
        grid->setRowCountWithHeader(4);
        grid->setCell(0, 1, "01.01.2001");
        grid->setCell(0, 2, before);
        grid->setCell(0, 3, "03.03.2003");
        w->tbEdit->trigger(); // the picker opens on row 1
        click(0, 2);
        QVERIFY(w->sgDTPick->isVisible());
        if (action.contains("pick"))
            w->sgDTPick->setDate(QDate(2025, 2, 28));
        if (action.contains("paste")) {
            // Pasted by the table's command while the picker is open.
            grid->setRow(2);
            w->Table->pasteText("09.09.2009");
        }
        if (action == "enter") {
            type(Qt::Key_Return, "\r");
        } else if (action.contains("other")) {
            click(0, 3);
            QVERIFY(w->sgDTPick->isVisible());
            QCOMPARE(grid->row(), 3);
            type(Qt::Key_Return, "\r"); // row 3 keeps its own date
        } else {
            click(5, 3);
        }
        QCOMPARE(grid->cell(0, 2), after);
        QCOMPARE(grid->cell(0, 1), QString("01.01.2001"));
        QCOMPARE(grid->cell(0, 3), QString("03.03.2003"));
    }

    // After New a paste into row 1 and a click elsewhere keep the pasted date.
    void pasteAfterNewKeepsThePastedDate()
    {
        w->tbNew->trigger();
        QVERIFY(w->sgDTPick->isVisible());
        w->Table->pasteText("05.05.2025\t7\t12");
        click(3, 1);
        QCOMPARE(grid->cell(0, 1), QString("05.05.2025"));
        QCOMPARE(grid->cell(2, 1), QString("12"));
    }

    void noPickerWhileEditingIsOff()
    {
        grid->setCol(3);
        click(0, 1);
        QCOMPARE(grid->col(), 0);
        QVERIFY(!w->sgDTPick->isVisible());
    }

    void pickerFollowsItsCellWhenScrolling()
    {
        grid->setRowCountWithHeader(200);
        w->tbEdit->trigger();
        grid->setCol(1);
        grid->setRow(3);
        grid->setCol(0);
        QVERIFY(w->sgDTPick->isVisible());
        const QPoint before = w->sgDTPick->pos();
        grid->verticalScrollBar()->setValue(2);
        QTRY_VERIFY(w->sgDTPick->pos() != before);
        QCOMPARE(w->sgDTPick->pos(),
                 grid->viewport()->mapTo(w->tsData, grid->cellRect(0, 3).topLeft()));
    }
};

QTEST_MAIN(TestTable)
#include "test_table.moc"
