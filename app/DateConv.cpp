// The one place where dates become texts and texts become dates.
#include "DateConv.h"

#include "Errors.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <mutex>
#include <shared_mutex>
#include <vector>

namespace DateConv {

namespace {

// The format is set by the window (and by tests) while jobs on other
// threads read dates, so it is kept under a lock and handed out as copies
// (QString copies share their text; only the reference count is touched).
struct Formats {
    QString current; // the table's format
    QString wide;    // its two-digit year widened to four; empty without one
};

std::shared_mutex &formatsLock()
{
    static std::shared_mutex lock;
    return lock;
}

Formats &formatsUnlocked()
{
    static Formats formats{localeShortFormat(QLocale::system()), QString()};
    return formats;
}

Formats formats()
{
    std::shared_lock lock(formatsLock());
    return formatsUnlocked();
}

const QRegularExpression &twoDigitYear()
{
    static const QRegularExpression yy(QStringLiteral("(?<!y)yy(?!y)"));
    return yy;
}

// A format with a two-digit year writes the years FirstTwoDigitYear to
// FirstTwoDigitYear + 99 with two digits and reads two digits back into
// them; every other year is written with four digits, which are read as
// written, so that no date loses its century on the way through the table.
constexpr int FirstTwoDigitYear = 1950;

bool twoDigitsFit(int year)
{
    return year >= FirstTwoDigitYear && year < FirstTwoDigitYear + 100;
}

// The date of a text read with a two-digit-year format, which Qt reads as
// 19yy, moved into the years two digits name.
std::optional<QDate> fromTwoDigitText(const QString &text, const Formats &f)
{
    const QDate read = QLocale::c().toDate(text, f.current);
    if (read.isValid()) {
        const int yy = read.year() % 100;
        const int year = FirstTwoDigitYear + (yy - FirstTwoDigitYear % 100 + 100) % 100;
        const QDate date(year, read.month(), read.day());
        if (date.isValid())
            return date;
    }
    // Four digits, as dates outside those years are written.
    const QDate wide = QLocale::c().toDate(text, f.wide);
    if (wide.isValid())
        return wide;
    // A 29 February whose 19yy was no leap year (00 is 2000): the century
    // put before each free-standing pair of digits in turn, the one that
    // reads and is written back as the text is the date.
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const auto digit = [&](qsizetype k) {
            return k >= 0 && k < text.size() && text[k].isDigit();
        };
        if (!digit(i) || !digit(i + 1) || digit(i - 1) || digit(i + 2))
            continue;
        const int yy = text.mid(i, 2).toInt();
        const int year = FirstTwoDigitYear + (yy - FirstTwoDigitYear % 100 + 100) % 100;
        const QString candidate = text.left(i) + QString::number(year) + text.mid(i + 2);
        const QDate date = QLocale::c().toDate(candidate, f.wide);
        if (date.isValid() && QLocale::c().toString(date, f.current) == text)
            return date;
    }
    return std::nullopt;
}

std::mutex &todayLock()
{
    static std::mutex lock;
    return lock;
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
        fmt.replace(twoDigitYear(), QStringLiteral("yyyy"));
    return fmt;
}

void setFormat(const QString &pattern)
{
    Formats next;
    next.current = pattern.isEmpty() ? localeShortFormat(QLocale::system()) : pattern;
    if (next.current.contains(twoDigitYear()))
        next.wide = QString(next.current).replace(twoDigitYear(), QStringLiteral("yyyy"));
    std::unique_lock lock(formatsLock());
    formatsUnlocked() = std::move(next);
}

QString format()
{
    return formats().current;
}

QString toText(const QDate &date)
{
    const Formats f = formats();
    if (!f.wide.isEmpty() && !twoDigitsFit(date.year()))
        return QLocale::c().toString(date, f.wide);
    return QLocale::c().toString(date, f.current);
}

std::optional<QDate> fromText(const QString &text)
{
    if (text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return std::nullopt;
    const Formats f = formats();
    if (!f.wide.isEmpty())
        return fromTwoDigitText(text, f);
    QDate date = QLocale::c().toDate(text, f.current);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QDate> fromTypedText(const QString &text)
{
    const QString typed = text.trimmed();
    if (auto date = fromText(typed))
        return date;
    // The order of day, month and year in the format.
    std::vector<QChar> order;
    const QString fmt = format();
    bool quoted = false;
    for (qsizetype i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || (c != u'd' && c != u'M' && c != u'y'))
            continue;
        qsizetype run = 1;
        while (i + run < fmt.size() && fmt[i + run] == c)
            ++run;
        i += run - 1;
        if (c == u'd' && run > 2)
            continue; // ddd, dddd: the name of the weekday
        order.push_back(c);
    }
    if (order.size() != 3)
        return std::nullopt;

    // Nothing but digits and separators.
    static const QRegularExpression typedDate(QStringLiteral("^[\\d\\s./,-]+$"));
    if (!typedDate.match(typed).hasMatch())
        return std::nullopt;
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    QStringList groups;
    for (auto it = digits.globalMatch(typed); it.hasNext();)
        groups << it.next().captured();
    if (groups.size() == 1) {
        // Digits only: cut in the format's widths (a four-digit year).
        QString all = groups.front();
        groups.clear();
        for (const QChar letter : order) {
            const int width = letter == u'y' ? 4 : 2;
            if (all.size() < width)
                return std::nullopt;
            groups << all.left(width);
            all.remove(0, width);
        }
        if (!all.isEmpty())
            return std::nullopt;
    }
    if (groups.size() != 3)
        return std::nullopt;
    int day = 0, month = 0, year = 0;
    for (size_t k = 0; k < 3; ++k) {
        const QString &g = groups[qsizetype(k)];
        const int value = g.toInt();
        if (order[k] == u'd')
            day = value;
        else if (order[k] == u'M')
            month = value;
        else if (g.size() == 4) // a two-digit year would be a guess of the century
            year = value;
        else
            return std::nullopt;
    }
    const QDate date(year, month, day);
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
std::mutex &numberLock()
{
    static std::mutex lock;
    return lock;
}

QLocale &numberLocale()
{
    static QLocale locale = QLocale::system();
    return locale;
}
} // namespace

void setNumberLocale(const QLocale &locale)
{
    std::lock_guard lock(numberLock());
    numberLocale() = locale;
}

QString decimalText(double value)
{
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    QString point;
    {
        std::lock_guard lock(numberLock());
        point = numberLocale().decimalPoint();
    }
    if (point != QLatin1String("."))
        text.replace(u'.', point);
    return text;
}

QDate today()
{
    std::function<QDate()> source;
    {
        std::lock_guard lock(todayLock());
        source = todaySource();
    }
    return source ? source() : QDate::currentDate();
}

void setTodaySource(std::function<QDate()> source)
{
    std::lock_guard lock(todayLock());
    todaySource() = std::move(source);
}

} // namespace DateConv
