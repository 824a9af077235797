// The record of one Run.
#include "RunRecord.h"

#include "files/ExtractField.h"

QString PointLabel::text() const
{
    return date + QLatin1Char('\r') + QString::number(hour) + QLatin1String("h (") +
           QString::number(number) + QLatin1Char(')');
}

QString PointLabel::shown() const
{
    return date + QLatin1Char('\r') + QString::number(hour) + QLatin1String("h (") +
           QString::number(offset()) + QLatin1Char(')');
}

PointLabel PointLabel::fromText(const QString &text)
{
    const QString cr(QLatin1Char('\r'));
    const QString time = ExtractField(text, cr, 2);
    PointLabel label;
    label.date = ExtractField(text, cr, 1);
    label.hour = ExtractField(time, QStringLiteral("h"), 1).toInt();
    label.number =
        ExtractField(ExtractField(time, QStringLiteral("("), 2), QStringLiteral(")"), 1).toInt();
    return label;
}

std::vector<PointLabel> pointLabels(const std::vector<TRadData> &DataRows)
{
    std::vector<PointLabel> labels;
    labels.reserve(DataRows.size());
    for (size_t j = 0; j < DataRows.size(); ++j)
        labels.push_back({DataRows[j].Date, DataRows[j].Hour, static_cast<int>(j + 1)});
    return labels;
}
