// Small widgets of the main window: colour swatches and the status panel.
#pragma once

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

private:
    int m_tag;
    QColor m_color;
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
