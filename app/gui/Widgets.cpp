// Small widgets of the main window: colour swatches, the status panel, the
// date fields and the busy cursor.
#include "Widgets.h"

#include "app/DateConv.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

ColorSwatch::ColorSwatch(int tag, QWidget *parent) : QFrame(parent), m_tag(tag)
{
    setFocusPolicy(Qt::StrongFocus);
}

void ColorSwatch::setBrushColor(const QColor &color)
{
    m_color = color;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(m_color);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        // Where the keyboard is, in the style's focus pen.
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void ColorSwatch::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && onMouseDown) {
        onMouseDown(this);
        return;
    }
    QFrame::keyPressEvent(event);
}

void ColorSwatch::mousePressEvent(QMouseEvent *)
{
    // Any mouse button opens the colour dialog.
    if (onMouseDown)
        onMouseDown(this);
}

StatusPanel::StatusPanel(int index, int width, QWidget *parent)
    : QWidget(parent), m_index(index), m_width(width)
{
    setFixedWidth(width);
}

void StatusPanel::setPanelWidth(int width)
{
    m_width = std::max(width, 0);
    setFixedWidth(m_width);
    update();
}

void StatusPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (onDraw)
        onDraw(p, m_index, rect());
}

void DateField::keyPressEvent(QKeyEvent *event)
{
    QLineEdit *edit = lineEdit();
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.front().isPrint();
    const bool modified = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (!m_typing && printable && !modified && typed.front().isDigit() && edit->hasSelectedText() &&
        edit->selectedText() == edit->text()) {
        // The whole text is replaced by what is typed, which the sections of
        // a date field would refuse one character at a time.
        m_typing = true;
        m_typed.clear();
        m_before = date();
        // The field's own reading of each keystroke would set dates on the
        // way (31.0 as 31.01); only the whole text counts.
        setKeyboardTracking(false);
    }
    if (!m_typing) {
        QDateEdit::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        m_typed.clear();
        commitTyped();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        commitTyped();
        return;
    case Qt::Key_Backspace:
        m_typed.chop(1);
        edit->setText(m_typed);
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Up:
    case Qt::Key_Down:
        commitTyped();
        QDateEdit::keyPressEvent(event);
        return;
    default:
        break;
    }
    if (printable && !modified) {
        m_typed += typed;
        // Shown as typed: a text the field's sections would not take yet.
        edit->setText(m_typed);
        edit->setCursorPosition(int(m_typed.size()));
    }
}

void DateField::focusOutEvent(QFocusEvent *event)
{
    if (m_typing)
        commitTyped();
    QDateEdit::focusOutEvent(event);
}

void DateField::commitTyped()
{
    m_typing = false;
    setKeyboardTracking(true);
    const std::optional<QDate> typed = DateConv::fromTypedText(m_typed);
    m_typed.clear();
    setDate(typed && *typed >= minimumDate() && *typed <= maximumDate() ? *typed : m_before);
    // The field shows its date again, the new one or the one before.
    lineEdit()->setText(textFromDateTime(dateTime()));
}

bool DateField::focusNextPrevChild(bool next)
{
    return QWidget::focusNextPrevChild(next);
}

BusyCursor::BusyCursor(Qt::CursorShape shape)
{
    QApplication::setOverrideCursor(QCursor(shape));
}

BusyCursor::~BusyCursor()
{
    QApplication::restoreOverrideCursor();
}
