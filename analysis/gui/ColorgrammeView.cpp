// The colorgramme page.
#include "ColorgrammeView.h"

#include "app/DateConv.h"
#include "table/GridModel.h"
#include "table/HourMarks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

// The picture itself: draws through the core's drawing and reports the
// mouse to the view.
class ColorgrammeView::Canvas : public QWidget {
public:
    explicit Canvas(ColorgrammeView &view) : QWidget(&view), m_view(view)
    {
        setMouseTracking(true);
        setCursor(Qt::CrossCursor);
        setMinimumSize(300, 200);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        m_view.run([&] { Colorgramme::draw(painter, m_view.data(), size(), m_view.texts()); });
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        m_view.run(
            [&] { m_view.m_readout->setText(m_view.readoutAt(event->position().toPoint())); });
    }
    void leaveEvent(QEvent *) override { m_view.m_readout->clear(); }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        m_view.run([&] {
            const int row = m_view.rowAt(event->position().toPoint());
            if (row > 0 && m_view.onCellClicked)
                m_view.onCellClicked(row);
        });
    }

private:
    ColorgrammeView &m_view;
};

ColorgrammeView::ColorgrammeView(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto *bar = new QHBoxLayout;
    m_readout = new QLabel(this);
    m_readout->setMinimumWidth(300);
    m_save = new QPushButton(this);
    bar->addWidget(m_readout, 1);
    bar->addWidget(m_save);
    layout->addLayout(bar);
    m_canvas = new Canvas(*this);
    layout->addWidget(m_canvas, 1);
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (onSave)
            run(onSave);
    });
}

void ColorgrammeView::run(const std::function<void()> &work)
{
    if (guard)
        guard(work);
    else
        work();
}

void ColorgrammeView::setModel(const GridModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    if (!model)
        return;
    connect(model, &GridModel::modelReset, this, &ColorgrammeView::refresh);
    connect(model, &GridModel::dataChanged, this, &ColorgrammeView::refresh);
    connect(model, &GridModel::rowsInserted, this, &ColorgrammeView::refresh);
    connect(model, &GridModel::rowsRemoved, this, &ColorgrammeView::refresh);
    refresh();
}

void ColorgrammeView::refresh()
{
    // The table is read when the page is next drawn, not on every edit.
    m_stale = true;
    if (isVisible())
        m_canvas->update();
}

void ColorgrammeView::retranslate(const LanguageTexts &texts)
{
    m_texts = texts;
    m_save->setText(m_texts.text(Text::SavePictureItem));
    refresh();
}

const Colorgramme::Data &ColorgrammeView::data()
{
    if (m_stale) {
        m_data = m_model && column ? Colorgramme::collect(*m_model, column()) : Colorgramme::Data{};
        m_stale = false;
    }
    return m_data;
}

Colorgramme::Texts ColorgrammeView::texts()
{
    return Colorgramme::textsFor(
        data(), columnName ? columnName() : QString(),
        {m_texts.text(Text::ColorgrammeTitle), m_texts.text(Text::HourAxis),
         m_texts.text(Text::NoCount), m_texts.text(Text::NoCountsInColumn),
         m_texts.text(Text::SpanTooLong), m_texts.text(Text::MarkedLegend)});
}

std::optional<Colorgramme::Cell> ColorgrammeView::cellAt(const QPoint &point)
{
    return Colorgramme::cellAt(Colorgramme::layoutFor(data(), m_canvas->size()), point);
}

QString ColorgrammeView::readoutAt(const QPoint &point)
{
    const Colorgramme::Data &d = data();
    const std::optional<Colorgramme::Cell> cell = cellAt(point);
    if (!cell)
        return {};
    const int count = d.counts[size_t(d.index(cell->day, cell->hour))];
    const QString date = DateConv::toText(d.first.addDays(cell->day));
    const QString hour = QStringLiteral("%1").arg(cell->hour, 2, 10, QChar(u'0'));
    if (d.isMarked(d.index(cell->day, cell->hour)) && m_model) {
        const int row = d.rows[size_t(d.index(cell->day, cell->hour))];
        return m_texts.text(Text::CellReadoutMarked)
            .arg(date, hour,
                 HourMarks::describe(m_model->cellView(HourMarks::Column, row), m_texts));
    }
    const QString shown = m_texts.text(count < 0 ? Text::CellReadoutNoCount : Text::CellReadout);
    return count < 0 ? shown.arg(date, hour) : shown.arg(date, hour).arg(count);
}

int ColorgrammeView::rowAt(const QPoint &point)
{
    const Colorgramme::Data &d = data();
    const std::optional<Colorgramme::Cell> cell = cellAt(point);
    return cell ? d.rows[size_t(d.index(cell->day, cell->hour))] : 0;
}
