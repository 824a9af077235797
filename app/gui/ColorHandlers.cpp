// The colour commands: line swatches, chart background, axis grid.
#include "TfrmMain.h"
#include "Widgets.h"
#include "app/Colors.h"

#include <QCategoryAxis>
#include <QChart>
#include <QValueAxis>

void TfrmMain::Shape1MouseDown(ColorSwatch *sender)
{
    // The chart's lines take the new colour at the next run.
    const auto chosen = m_dialogs.chooseColor(this, sender->brushColor());
    if (!chosen)
        return;
    sender->setBrushColor(*chosen);
    settings().writeInteger(QStringLiteral("self"), QStringLiteral("SH%1").arg(sender->tag()),
                            Colors::toValue(sender->brushColor()));
}

void TfrmMain::GridBackGroundColor1Click()
{
    const auto chosen = m_dialogs.chooseColor(this, Chart1->backgroundBrush().color());
    if (!chosen)
        return;
    Chart1->setBackgroundBrush(*chosen);
    settings().writeInteger(QStringLiteral("self"), QStringLiteral("GBC"),
                            Colors::toValue(Chart1->backgroundBrush().color()));
}

void TfrmMain::GridAxisColor1Click()
{
    // One colour for both axes' grid lines.
    const auto chosen = m_dialogs.chooseColor(this, BottomAxis->gridLineColor());
    if (!chosen)
        return;
    BottomAxis->setGridLineColor(*chosen);
    LeftAxis->setGridLineColor(*chosen);
    settings().writeInteger(QStringLiteral("self"), QStringLiteral("GAGC"),
                            Colors::toValue(BottomAxis->gridLineColor()));
}
