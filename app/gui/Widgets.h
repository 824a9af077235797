// Small widgets of the main window: colour swatches, the status panel, the
// date fields and the busy cursor.
#pragma once

#include <QDateEdit>
#include <QFrame>
#include <functional>

// A filled rectangle with a fill colour, a tag and a mouse-down event.
class ColorSwatch : public QFrame {
    Q_OBJECT
public:
    ColorSwatch(int tag, QWidget *parent);
    int tag() const { return m_tag; }
    QColor brushColor() const { return m_color; }
    void setBrushColor(const QColor &color);

    std::function<void(ColorSwatch *)> onMouseDown;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    // With the focus on it, Space or Enter acts as a click, so that a line's
    // colour can be chosen from the keyboard.
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_tag;
    QColor m_color;
};

// A date field that also takes a date typed over its whole text: after
// select-all (or a click that selects it all), typing "09.05.2025",
// "9.5.2025" or "09052025" and Enter, Tab or leaving the field sets that
// date (DateConv::fromTypedText); Escape, or a text that is no date, gives
// back the date shown before. Typing into one section at a time works as
// in any date field.
class DateField : public QDateEdit {
    Q_OBJECT
public:
    using QDateEdit::QDateEdit;
    // True while a date is being typed over the whole text.
    bool typing() const { return m_typing; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    // Tab leaves the field, as it leaves every other control, instead of
    // stepping through day, month and year (the arrow keys and a typed
    // separator still do that).
    bool focusNextPrevChild(bool next) override;

private:
    // Sets the typed date, or the one shown before the typing; ends it.
    void commitTyped();
    bool m_typing = false;
    QString m_typed;
    QDate m_before;
};

// The busy cursor while it lives, for work longer than a moment on the
// window's thread.
class BusyCursor {
public:
    explicit BusyCursor(Qt::CursorShape shape = Qt::WaitCursor);
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// A status-bar panel of settable width that the window draws itself.
class StatusPanel : public QWidget {
    Q_OBJECT
public:
    StatusPanel(int index, int width, QWidget *parent);
    int index() const { return m_index; }
    void setPanelWidth(int width);
    int panelWidth() const { return m_width; }

    std::function<void(QPainter &, int, const QRect &)> onDraw;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_index;
    int m_width;
};
