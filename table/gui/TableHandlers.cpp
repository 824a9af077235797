// The observation table's handlers: New, Edit, the date picker, keys, drawing.
#include "app/Convert.h"
#include "app/DateConv.h"
#include "app/gui/TfrmMain.h"
#include "table/HourMarks.h"
#include "table/gui/StringGrid.h"
#include "table/gui/TableEditor.h"

#include <QDateEdit>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

#include <utility>

void TfrmMain::cursorReset()
{
    // Column 1 first, so that the last step always selects the date cell of
    // row 1 anew and, with editing on, opens the date picker there.
    strGrid->setCol(1);
    strGrid->setRow(1);
    strGrid->setCol(0);
}

void TfrmMain::New1Click()
{
    tbSaveGraph->setEnabled(false);
    if (!onDataPage(New1))
        return;
    if (!confirmLeave())
        return;
    strGrid->replaceRows(std::vector<GridRow>(1)); // one step of the history
    Table->history().markSaved();
    Origin = {};
    updateCaption();
    // A new data set: nothing of the last table's results stays in view,
    // and the date range starts afresh.
    clearResults();
    dtp1->setDate(DateConv::today());
    dtp2->setDate(DateConv::today());
    strGrid->setEditing(true);
    tbEdit->setChecked(true);
    tbRun->setEnabled(true);
    cursorReset();
    say(text(Text::StatusNew));
}

void TfrmMain::tbNewClick()
{
    New1Click();
}

void TfrmMain::tbEditClick()
{
    tbSaveGraph->setEnabled(false);
    if (!onDataPage(Editing1)) {
        tbEdit->setChecked(strGrid->editing()); // the click changed nothing
        return;
    }
    strGrid->setEditing(!strGrid->editing());
    cursorReset();
    tbEdit->setChecked(strGrid->editing());
}

void TfrmMain::placeDatePicker(int col, int row)
{
    // The cell is known in the grid's client coordinates, the picker sits on
    // the page.
    const QRect cell = strGrid->cellRect(col, row);
    const QPoint topLeft = strGrid->viewport()->mapTo(tsData, cell.topLeft());
    sgDTPick->setGeometry(topLeft.x(), topLeft.y(), cell.width(), 21);
}

bool TfrmMain::strGridSelectCell(int col, int row)
{
    const bool allow = col != strGrid->colCount() - 1; // never into the filler column
    // A date chosen for another cell goes there before the picker moves.
    if (sgDTPick->isVisible() && m_pickerEdit.row != row)
        commitDatePicker();
    if (col != 0 || !strGrid->editing()) {
        sgDTPick->hide();
        return allow;
    }
    if (sgDTPick->isVisible() && m_pickerEdit.row == row) {
        placeDatePicker(col, row); // already open there: the user's date stays
        return allow;
    }
    const QString text = strGrid->cell(0, row);
    const std::optional<QDate> date = text.isEmpty() ? std::nullopt : DateConv::fromText(text);
    if (!text.isEmpty() && !date) {
        // Said before the picker opens, with the cell named: the picker is
        // not left over another row while the box is up.
        sgDTPick->hide();
        showMessage(msg(1) + u'\n' + this->text(Text::DateCellUnreadable).arg(row).arg(text),
                    MB_ICONWARNING);
    }
    placeDatePicker(col, row);
    // The shown date is a suggestion: the cell changes only when the user
    // picks, types or accepts a date (pickerDateChanged, Enter).
    sgDTPick->setDate(date.value_or(DateConv::today()));
    m_pickerEdit = {row, text, false};
    sgDTPick->show();
    sgDTPick->raise();
    sgDTPick->setFocus(Qt::OtherFocusReason);
    return allow;
}

void TfrmMain::commitDatePicker()
{
    // Written into the row the picker was opened on, and only while that
    // cell still holds what it held then: a paste or a new table since is
    // never overwritten by a date the user did not give for it.
    const DatePickerEdit edit = std::exchange(m_pickerEdit, {});
    if (!edit.chosen || edit.row < 1 || edit.row >= strGrid->rowCountWithHeader() ||
        strGrid->cell(0, edit.row) != edit.text)
        return;
    const QString date = DateConv::toText(sgDTPick->date());
    if (date != edit.text)
        strGrid->setCell(0, edit.row, date);
}

void TfrmMain::sgDTPickKeyDown(int &key)
{
    if (key == StringGrid::VK_RETURN) {
        m_pickerEdit.chosen = true;              // Enter accepts the date shown
        strGrid->setFocus(Qt::OtherFocusReason); // the picker loses the focus and exits
    }
}

void TfrmMain::sgDTPickExit()
{
    commitDatePicker();
    strGrid->setCol(1);
    sgDTPick->hide();
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == sgDTPick) {
        if (event->type() == QEvent::KeyPress) {
            int key = StringGrid::virtualKey(static_cast<QKeyEvent *>(event));
            guarded([&] { sgDTPickKeyDown(key); });
        } else if (event->type() == QEvent::FocusOut && sgDTPick->isVisible()) {
            // Leaving the program's window or opening the picker's own
            // calendar is not leaving the picker.
            auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                guarded([this] { sgDTPickExit(); });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::strGridKeyDown(int &key)
{
    if (key == StringGrid::VK_INSERT) {
        // A row is added only below a row whose Date, Hour and Sum are filled.
        const int last = strGrid->rowCountWithHeader() - 1;
        if (!strGrid->cell(0, last).isEmpty() && !strGrid->cell(1, last).isEmpty() &&
            !strGrid->cell(2, last).isEmpty())
            strGrid->setRowCountWithHeader(last + 2);
    } else if (key == StringGrid::VK_RETURN) {
        // Enter walks Date, Hour, Sum, N1 .. N10 of one row and starts again.
        const int lastSelectable = strGrid->colCount() - 2;
        strGrid->setCol(strGrid->col() == lastSelectable ? 0 : strGrid->col() + 1);
    }
}

void TfrmMain::strGridKeyPress(QChar &key)
{
    if (strGrid->editing()) {
        const char16_t code = key.unicode();
        // Only control characters up to 13 and the digits reach a cell.
        if ((code >= 14 && code <= 47) || code >= 58)
            key = QChar();
    }
    // The hour check runs on every character typed in the Hour column, also
    // a discarded one, and looks at what the cell holds before it.
    if (strGrid->col() == 1) {
        const QString hour = strGrid->cell(1, strGrid->row());
        if (!hour.isEmpty() && Convert::StrToInt(hour) > 23) {
            showMessage(msg(2), MB_ICONWARNING);
            strGrid->setCell(1, strGrid->row(), QStringLiteral("23"));
        }
    }
}

void TfrmMain::strGridDrawCell(QPainter &canvas, int col, int row, const QRect &rect,
                               const QColor &background)
{
    // The picker follows its cell when the table scrolls.
    if (col == 0 && row == strGrid->row() && sgDTPick->isVisible())
        placeDatePicker(col, row);

    canvas.fillRect(rect, background);
    // A marked hour shows apart: a light magenta hatch over its row (the
    // reason in its tooltip), its texts kept.
    if (row > 0 && HourMarks::isMarked(strGrid->model(), row)) {
        canvas.fillRect(rect, QColor(230, 0, 230, 40));
        canvas.fillRect(rect, QBrush(QColor(230, 0, 230, 110), Qt::BDiagPattern));
    }
    QFont font = canvas.font();
    font.setBold(row == 0);
    canvas.setFont(font);

    // A cell shows one line; a huge text (a broken file) is cut to what can
    // show, from the end for right-aligned numbers.
    constexpr qsizetype MaxShown = 256;
    const bool centred = row == 0 || col == 0;
    QStringView all = strGrid->model().cellView(col, row);
    QString text = (all.size() <= MaxShown ? all
                    : centred              ? all.left(MaxShown)
                                           : all.right(MaxShown))
                       .toString();

    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text);
    const int x = centred ? rect.left() + (rect.width() - width) / 2 : rect.right() + 1 - 5 - width;
    const int y = rect.top() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
    canvas.drawText(x, y, text);
}
