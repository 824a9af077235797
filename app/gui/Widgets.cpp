// Small widgets of the main window: colour swatches and the status panel.
#include "Widgets.h"

#include <QPainter>

ColorSwatch::ColorSwatch(int tag, QWidget *parent) : QFrame(parent), m_tag(tag) {}

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
