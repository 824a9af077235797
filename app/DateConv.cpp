// The one place where dates become texts and texts become dates.
#include "DateConv.h"

#include "Errors.h"

#include <QLocale>
#include <QRegularExpression>

namespace DateConv {

namespace {

QString &currentFormat()
{
    static QString fmt = localeShortFormat(QLocale::system());
    return fmt;
}

std::function<QDate()> &todaySource()
{
    static std::function<QDate()> source;
    return source;
}

} // namespace

QString localeShortFormat(const QLocale &locale)
{
    QString fmt = locale.dateFormat(QLocale::ShortFormat);
    // Qt reads a two-digit year back as 19xx, so "08" would come back as
    // 1908: keep four digits in the text instead.
    if (!fmt.contains(QLatin1String("yyyy")))
        fmt.replace(QRegularExpression(QStringLiteral("(?<!y)yy(?!y)")), QStringLiteral("yyyy"));
    return fmt;
}

void setFormat(const QString &pattern)
{
    currentFormat() = pattern.isEmpty() ? localeShortFormat(QLocale::system()) : pattern;
}

const QString &format()
{
    return currentFormat();
}

QString toText(const QDate &date)
{
    return QLocale::c().toString(date, currentFormat());
}

std::optional<QDate> fromText(const QString &text)
{
    if (text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return std::nullopt;
    QDate date = QLocale::c().toDate(text, currentFormat());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QDate fromTextOrThrow(const QString &text)
{
    if (auto date = fromText(text))
        return *date;
    throw EConvertError::notDate(text);
}

namespace {
QLocale &numberLocale()
{
    static QLocale locale = QLocale::system();
    return locale;
}
} // namespace

void setNumberLocale(const QLocale &locale)
{
    numberLocale() = locale;
}

QString decimalText(double value)
{
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    const QString point = numberLocale().decimalPoint();
    if (point != QLatin1String("."))
        text.replace(u'.', point);
    return text;
}

QDate today()
{
    return todaySource() ? todaySource()() : QDate::currentDate();
}

void setTodaySource(std::function<QDate()> source)
{
    todaySource() = std::move(source);
}

} // namespace DateConv
