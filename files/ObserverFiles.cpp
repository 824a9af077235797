// The hourly count files of radio meteor stations: reading them into table
// rows, several at once.
#include "ObserverFiles.h"

#include "app/DateConv.h"
#include "app/FileRead.h"
#include "app/Progress.h"
#include "app/TextCodec.h"
#include "table/HourMarks.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace ObserverFiles {

namespace {

// A month as "January 2015", in English as the other messages of the readers.
QString monthText(int year, int month)
{
    return QLocale::c().monthName(month) + u' ' + QString::number(year);
}

QString dayText(const QDate &date, int hour)
{
    return QStringLiteral("%1 %2h UT").arg(DateConv::toText(date)).arg(hour, 2, 10, QChar(u'0'));
}

// The lines of a file, decoded and numbered from 1 one at a time, so that
// no more than one line's text is held at once. A line ends at LF, CR LF,
// LF CR or a lone CR: station programs write all four. The bytes are UTF-16
// after a byte-order mark, otherwise UTF-8 where the whole file is valid
// UTF-8 and Windows-1251 where it is not (as the program reads all text).
struct Line {
    int number = 0;
    QString text;
};

class LineSource {
public:
    LineSource(const QByteArray &bytes, const QString &name) : m_bytes(bytes), m_name(name)
    {
        if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
            m_unit = 2;
            m_utf8 = false;
            m_bigEndian = bytes.startsWith("\xFE\xFF");
            m_pos = 2;
            m_decoder =
                QStringDecoder(m_bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                               QStringConverter::Flag::Stateless);
            if (bytes.size() % 2 != 0)
                throw EImportError(name, 0, QStringLiteral("it is not valid UTF-16 text"));
            return;
        }
        if (bytes.contains('\0'))
            throw EImportError(name, 0, QStringLiteral("it is not a text file"));
        m_utf8 = TextCodec::encodingOf(bytes) == TextCodec::Encoding::Utf8;
        if (m_utf8 && bytes.startsWith("\xEF\xBB\xBF"))
            m_pos = 3; // the byte-order mark some editors put first
        if (!m_utf8)
            m_decoder = QStringDecoder("windows-1251", QStringConverter::Flag::Stateless);
    }

    // The next line, or false after the last one.
    bool next(Line &line)
    {
        const qsizetype end = m_bytes.size();
        if (m_pos >= end)
            return false;
        ThreadProgress::checkCancelledEvery(m_polled); // a dropped import stops
        if (m_number >= m_maxLines)
            throw EImportError(
                m_name, 0, QStringLiteral("it holds more than %1 lines").arg(m_maxLines - m_slack));
        // Looked for no further than the longest line allowed.
        const qsizetype stop = std::min(end, m_pos + (MaxLineBytes + 1) * m_unit);
        qsizetype i = m_pos;
        while (i < stop && !lineEnd(unitAt(i)))
            i += m_unit;
        line.number = ++m_number;
        if (i - m_pos > MaxLineBytes * m_unit)
            throw EImportError(m_name, line.number,
                               QStringLiteral("the line is longer than %1 MB, longer than any "
                                              "line of a count file")
                                   .arg(MaxLineBytes / (1024 * 1024)));
        line.text = decode(m_pos, i - m_pos);
        if (i < end) {
            const char16_t c = unitAt(i);
            i += m_unit;
            if (i < end && unitAt(i) != c && lineEnd(unitAt(i)))
                i += m_unit; // the second half of a two-character line end
        }
        m_pos = i;
        return true;
    }

    // Allows so many lines: a log of echoes has a line per echo, where the
    // other formats have one per hour or per day.
    void allowLines(int lines)
    {
        m_maxLines = lines;
        m_slack = 0;
    }

    // The next line that holds more than blanks, or false.
    bool nextFilled(Line &line)
    {
        while (next(line))
            if (!line.text.trimmed().isEmpty())
                return true;
        return false;
    }

private:
    static bool lineEnd(char16_t c) { return c == u'\n' || c == u'\r'; }

    char16_t unitAt(qsizetype p) const
    {
        const auto b = [&](qsizetype k) { return char16_t(uchar(m_bytes[k])); };
        if (m_unit == 1)
            return b(p);
        return m_bigEndian ? char16_t(b(p) << 8 | b(p + 1)) : char16_t(b(p + 1) << 8 | b(p));
    }

    QString decode(qsizetype from, qsizetype length)
    {
        if (m_utf8)
            return QString::fromUtf8(m_bytes.constData() + from, length);
        QString text = m_decoder.decode(QByteArrayView(m_bytes.constData() + from, length));
        if (m_unit == 2 && m_decoder.hasError())
            throw EImportError(m_name, 0, QStringLiteral("it is not valid UTF-16 text"));
        return text;
    }

    const QByteArray &m_bytes;
    QString m_name;
    qsizetype m_pos = 0;
    int m_number = 0;
    unsigned m_polled = 0;
    // An hour a line, and room for headers, station blocks and blank lines.
    int m_maxLines = int(MaxHours) + 64, m_slack = 64;
    int m_unit = 1;
    bool m_bigEndian = false;
    bool m_utf8 = true;
    QStringDecoder m_decoder;
};

// A whole number of digits only (counts of the station formats) or with a
// sign (the columns of CSV and of the program's own layout), within int.
std::optional<int> wholeNumber(QStringView text, bool sign)
{
    text = text.trimmed();
    QStringView digits = text;
    if (sign && (digits.startsWith(u'-') || digits.startsWith(u'+')))
        digits = digits.mid(1);
    if (digits.isEmpty() || digits.size() > 12)
        return std::nullopt;
    for (QChar c : digits)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

struct Reader {
    QString file;
    qsizetype hoursBefore = 0; // of the files read before this one
    std::optional<int> offset; // the file's hours are UT + offset
    // The last date text read and its date.
    mutable QString lastDateText;
    mutable QDate lastDate;

    [[noreturn]] void fail(int line, const QString &reason) const
    {
        throw EImportError(file, line, reason);
    }

    int hourOfDay(int line, QStringView text) const
    {
        const std::optional<int> h = wholeNumber(text, false);
        if (!h || *h > 23)
            fail(line, QStringLiteral("'%1' is not an hour of day (0 to 23)").arg(text.trimmed()));
        return *h;
    }

    // A count of 0 or more; a sign is taken in CSV and the own layout, but
    // a negative count is refused as the table refuses it.
    qint32 count(int line, QStringView text, bool sign) const
    {
        const std::optional<int> v = wholeNumber(text, sign);
        if (!v)
            fail(line, QStringLiteral("'%1' is not a whole number").arg(text.trimmed()));
        if (*v < 0)
            fail(line, QStringLiteral("'%1' is not a count: counts are whole numbers of 0 or more")
                           .arg(text.trimmed()));
        return *v;
    }

    Hour hour(int line, const QDate &date, int h, qint32 sum) const
    {
        Hour out;
        out.date = date;
        out.hour = h;
        if (offset && *offset != 0) {
            // Local time to UT: the day changes where the offset crosses midnight.
            const int ut = h - *offset;
            const int days = ut >= 0 ? ut / 24 : -((23 - ut) / 24);
            out.date = date.addDays(days);
            out.hour = ut - days * 24;
        }
        out.counts[0] = sum;
        out.file = file;
        out.line = line;
        return out;
    }

    // Adds an hour, checking the cap on hours as it grows.
    void add(FileHours &out, Hour &&h) const
    {
        if (hoursBefore + qsizetype(out.hours.size()) >= MaxHours)
            fail(h.line, hoursBefore > 0
                             ? QStringLiteral("with the files before it, the files hold more "
                                              "than %1 hours, more than a table of "
                                              "observations can hold")
                                   .arg(MaxHours)
                             : QStringLiteral("it holds more than %1 hours, more than a table "
                                              "of observations can hold")
                                   .arg(MaxHours));
        out.hours.push_back(std::move(h));
    }
};

QString lastPart(const QString &name)
{
    return QFileInfo(name).fileName();
}

// ---- the monthly table ----------------------------------------------------

// A cell of a monthly table that holds no count: ???, ?, empty.
bool missingCell(QStringView cell)
{
    return std::all_of(cell.begin(), cell.end(), [](QChar c) { return c == u'?'; });
}

// Other writers fill the days not yet observed with 1111. A day line whose
// cells are all 1111 or without a count is such a day; anywhere else 1111
// is a count like any other (the program's own export writes it so).
constexpr qint32 FillValue = 1111;

FileHours readMonthly(const Reader &r, const Line &first, LineSource &lines)
{
    static const QRegularExpression namePattern(QStringLiteral("(\\d{2})(\\d{4})rmob\\.txt$"),
                                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = namePattern.match(lastPart(r.file));
    if (!m.hasMatch())
        r.fail(0, QStringLiteral("the file name does not give the table's month and year "
                                 "(<Observer>_MMYYYYrmob.TXT)"));
    const int month = m.captured(1).toInt();
    const int year = m.captured(2).toInt();
    if (month < 1 || month > 12)
        r.fail(0, QStringLiteral("the file name gives month %1, which is no month").arg(month));
    const int daysInMonth = QDate(year, month, 1).daysInMonth();

    const QString named = first.text.trimmed().section(u'|', 0, 0).trimmed().toLower();
    if (named != monthAbbreviation(month))
        r.fail(first.number, QStringLiteral("the table is headed '%1', but the file name "
                                            "gives month %2 (%3)")
                                 .arg(first.text.trimmed().section(u'|', 0, 0).trimmed(),
                                      m.captured(1), monthAbbreviation(month)));

    FileHours out;
    out.format = Format::MonthlyTable;
    // Each day once, in the order of the file: at most 32 of them (days 0 to
    // 31), however many lines repeat them.
    struct DayLine {
        int line = 0;
        int day = 0;
        std::array<qint32, 24> counts;
        bool hasCounts = false;
    };
    std::vector<DayLine> days;
    std::array<int, 32> indexOfDay;
    indexOfDay.fill(-1);
    bool station = false;
    Line line;
    while (lines.next(line)) {
        const QStringView text = QStringView(line.text).trimmed();
        if (text.isEmpty())
            continue;
        if (station || text.startsWith(u'[')) {
            station = true;
            const qsizetype close = text.indexOf(u']');
            if (!text.startsWith(u'[') || close < 0)
                r.fail(line.number, QStringLiteral("'%1' follows the station block, which holds "
                                                   "only [Key]value lines")
                                        .arg(text.left(40)));
            const QString key = text.mid(1, close - 1).trimmed().toString();
            if (!out.station.count(key) && int(out.station.size()) >= MaxStationKeys)
                r.fail(line.number, QStringLiteral("the station block holds more than %1 keys")
                                        .arg(MaxStationKeys));
            out.station[key] = text.mid(close + 1).trimmed().toString();
            continue;
        }
        QList<QStringView> cells = text.split(u'|');
        const std::optional<int> day = wholeNumber(cells.front(), false);
        if (!day)
            r.fail(line.number,
                   QStringLiteral("'%1' is not a day of the month").arg(cells.front().trimmed()));
        cells.removeFirst();
        while (cells.size() > 24 && cells.back().trimmed().isEmpty())
            cells.removeLast();
        if (cells.size() > 24)
            r.fail(line.number,
                   QStringLiteral("the line has %1 hour cells, not 24").arg(cells.size()));
        DayLine d;
        d.line = line.number;
        d.day = *day;
        d.counts.fill(Hour::NoCount);
        bool onlyFill = true;
        for (int h = 0; h < cells.size(); ++h) {
            const QStringView cell = cells[h].trimmed();
            if (missingCell(cell))
                continue;
            const std::optional<int> v = wholeNumber(cell, false);
            if (!v)
                r.fail(line.number, QStringLiteral("the count of %1h, '%2', is not a whole number")
                                        .arg(h, 2, 10, QChar(u'0'))
                                        .arg(cell));
            d.counts[size_t(h)] = *v;
            d.hasCounts = true;
            onlyFill = onlyFill && cell == u"1111";
        }
        if (d.hasCounts && onlyFill) {
            d.counts.fill(Hour::NoCount); // a day not yet observed
            d.hasCounts = false;
        }
        // Some writers always write 31 day lines, the days a month lacks
        // holding only missing cells: such a line is passed over, one that
        // holds a count is an error.
        if (*day > daysInMonth) {
            if (!d.hasCounts)
                continue;
            r.fail(line.number, QStringLiteral("day %1 lies past the end of the month: %2 has %3 "
                                               "days")
                                    .arg(*day)
                                    .arg(monthText(year, month))
                                    .arg(daysInMonth));
        }
        int &index = indexOfDay[size_t(d.day)];
        if (index >= 0) {
            // A day given again: the same counts add nothing, other counts
            // leave it unclear which are right.
            const DayLine &before = days[size_t(index)];
            if (before.counts != d.counts)
                r.fail(line.number, QStringLiteral("day %1 is given again with other counts (it "
                                                   "was given on line %2)")
                                        .arg(d.day)
                                        .arg(before.line));
            continue;
        }
        index = int(days.size());
        days.push_back(d);
    }

    // Days count from 0 when day 0 holds counts; a day 0 without any (a line
    // of ??? alone) shifts nothing and gives no hours.
    const int zero = indexOfDay[0];
    const bool zeroBased = zero >= 0 && days[size_t(zero)].hasCounts;
    for (const DayLine &d : days) {
        if (d.day == 0 && !zeroBased)
            continue;
        const int day = zeroBased ? d.day + 1 : d.day;
        if (day > daysInMonth && !d.hasCounts)
            continue;
        if (day > daysInMonth)
            r.fail(d.line, QStringLiteral("day %1 (day %2 counted from 1) lies past the end of "
                                          "the month: %3 has %4 days")
                               .arg(d.day)
                               .arg(day)
                               .arg(monthText(year, month))
                               .arg(daysInMonth));
        const QDate date(year, month, day);
        for (int h = 0; h < 24; ++h)
            if (d.counts[size_t(h)] != Hour::NoCount)
                r.add(out, r.hour(d.line, date, h, d.counts[size_t(h)]));
    }
    return out;
}

// ---- the hourly list and the daily list -------------------------------------

void readHourlyLine(const Reader &r, const Line &line, FileHours &out)
{
    if (line.text.trimmed().isEmpty())
        return;
    const QList<QStringView> f = QStringView(line.text).split(u',');
    if (f.size() != 3)
        r.fail(line.number, QStringLiteral("the line has %1 fields, not 3").arg(f.size()));
    const QStringView stamp = f[0].trimmed();
    // Ten digits; as a number it would not fit an int past the year 2147.
    if (stamp.size() != 10 || !std::all_of(stamp.begin(), stamp.end(),
                                           [](QChar c) { return c.isDigit() && c < u'\x80'; }))
        r.fail(line.number, QStringLiteral("'%1' is not a time of the form YYYYMMDDHH").arg(stamp));
    const int year = stamp.left(4).toInt(), month = stamp.mid(4, 2).toInt(),
              day = stamp.mid(6, 2).toInt(), h = stamp.mid(8, 2).toInt();
    if (month < 1 || month > 12 || day < 1)
        r.fail(line.number, QStringLiteral("'%1' is not a date and hour").arg(stamp));
    if (day > QDate(year, month, 1).daysInMonth())
        r.fail(line.number, QStringLiteral("day %1 lies past the end of the month: %2 has %3 days")
                                .arg(day)
                                .arg(monthText(year, month))
                                .arg(QDate(year, month, 1).daysInMonth()));
    if (h > 23)
        r.fail(line.number, QStringLiteral("'%1' is not an hour of day (0 to 23)").arg(h));
    if (r.hourOfDay(line.number, f[1]) != h)
        r.fail(
            line.number,
            QStringLiteral("the hour '%1' does not match the time %2").arg(f[1].trimmed(), stamp));
    r.add(out, r.hour(line.number, QDate(year, month, day), h, r.count(line.number, f[2], false)));
}

FileHours readHourly(const Reader &r, const Line &first, LineSource &lines)
{
    FileHours out;
    out.format = Format::HourlyList;
    Line line = first;
    do
        readHourlyLine(r, line, out);
    while (lines.next(line));
    return out;
}

FileHours readDaily(const Reader &r, const Line &first, LineSource &lines)
{
    static const QRegularExpression namePattern(QStringLiteral("(\\d{2})(\\d{2})(\\d{4})\\.sta$"),
                                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = namePattern.match(lastPart(r.file));
    if (!m.hasMatch())
        r.fail(0, QStringLiteral("the file name does not give the day (DDMMYYYY.STA)"));
    const QDate date(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    if (!date.isValid())
        r.fail(0, QStringLiteral("the file name gives %1.%2.%3, which is no date")
                      .arg(m.captured(1), m.captured(2), m.captured(3)));
    FileHours out;
    out.format = Format::DailyList;
    Line line = first;
    do {
        if (line.text.trimmed().isEmpty())
            continue;
        const QList<QStringView> f = QStringView(line.text).split(u';');
        if (f.size() != 2)
            r.fail(line.number, QStringLiteral("the line is not of the form hour;count"));
        r.add(out, r.hour(line.number, date, r.hourOfDay(line.number, f[0]),
                          r.count(line.number, f[1], false)));
    } while (lines.next(line));
    return out;
}

// ---- CSV and the program's own layout ----------------------------------------

// The fields of a CSV line; a field may be quoted, with "" for a quote. One
// pass over the line: whether a field so far holds only blanks is kept as
// it grows, not found again at every quote.
std::optional<QStringList> csvFields(QStringView line, QChar separator)
{
    QStringList fields;
    QString field;
    bool quoted = false, wasQuoted = false, blank = true;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && blank && !wasQuoted) {
            quoted = wasQuoted = true;
            field.clear();
        } else if (c == separator) {
            fields << field.trimmed();
            field.clear();
            wasQuoted = false;
            blank = true;
        } else {
            field += c;
            blank = blank && c.isSpace();
        }
    }
    if (quoted)
        return std::nullopt;
    fields << field.trimmed();
    return fields;
}

// The table column of a header's name: Date 0, Hour 1, Sum 2, N1 to N10 3
// to 12; -1 for a name the table has no column for.
int csvColumn(const QString &name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("date"))
        return 0;
    if (n == QLatin1String("hour"))
        return 1;
    if (n == QLatin1String("sum"))
        return 2;
    if (n.startsWith(u'n')) {
        bool ok = false;
        const int k = n.mid(1).toInt(&ok);
        if (ok && k >= 1 && k <= 10 && n.mid(1) == QString::number(k))
            return k + 2;
    }
    return -1;
}

std::vector<int> csvColumns(const QStringList &names)
{
    std::vector<int> columns;
    for (const QString &name : names)
        columns.push_back(csvColumn(name));
    return columns;
}

bool hasDateAndHour(const std::vector<int> &columns)
{
    return std::count(columns.begin(), columns.end(), 0) >= 1 &&
           std::count(columns.begin(), columns.end(), 1) >= 1;
}

// The separator of a CSV header naming Date and Hour, or nothing.
std::optional<QChar> csvSeparator(QStringView header)
{
    for (QChar sep : {QChar(u';'), QChar(u',')}) {
        const std::optional<QStringList> names = csvFields(header, sep);
        if (names && names->size() > 1 && hasDateAndHour(csvColumns(*names)))
            return sep;
    }
    return std::nullopt;
}

QDate dateOf(const Reader &r, int line, const QString &text)
{
    // A day's 24 lines give its date 24 times: it is read once.
    if (r.lastDate.isValid() && text == r.lastDateText)
        return r.lastDate;
    QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        date = DateConv::fromText(text).value_or(QDate());
    if (!date.isValid())
        r.fail(line, QStringLiteral("'%1' is not a date of the form yyyy-MM-dd or %2")
                         .arg(text, DateConv::format()));
    r.lastDateText = text;
    r.lastDate = date;
    return date;
}

// One row of named columns: cells indexed as the table's columns.
void addRow(const Reader &r, int line, const std::array<QString, 13> &cells, FileHours &out)
{
    if (std::all_of(cells.begin(), cells.end(), [](const QString &c) { return c.isEmpty(); }))
        return; // an empty line
    Hour h;
    h.date = dateOf(r, line, cells[0]);
    h.hour = r.hourOfDay(line, cells[1]);
    for (int k = 0; k < 11; ++k)
        if (!cells[k + 2].isEmpty())
            h.counts[k] = r.count(line, cells[k + 2], true);
    h.file = r.file;
    h.line = line;
    r.add(out, std::move(h));
}

QString columnName(int column)
{
    static const char *const names[] = {"Date", "Hour", "Sum"};
    return column < 3 ? QLatin1String(names[column]) : QStringLiteral("N%1").arg(column - 2);
}

FileHours readCsv(const Reader &r, const Line &header, LineSource &lines)
{
    FileHours out;
    out.format = Format::Csv;
    const QChar sep = *csvSeparator(header.text);
    const std::vector<int> columns = csvColumns(*csvFields(header.text, sep));
    // A column named twice would leave it unclear which counts are meant.
    for (size_t k = 0; k < columns.size(); ++k)
        for (size_t j = 0; j < k; ++j)
            if (columns[k] >= 0 && columns[k] == columns[j])
                r.fail(header.number, QStringLiteral("the header names %1 twice (fields %2 and %3)")
                                          .arg(columnName(columns[k]))
                                          .arg(j + 1)
                                          .arg(k + 1));
    Line line;
    while (lines.next(line)) {
        const std::optional<QStringList> fields = csvFields(line.text, sep);
        if (!fields)
            r.fail(line.number, QStringLiteral("a quoted field runs past the end of the line"));
        if (fields->size() > qsizetype(columns.size()))
            r.fail(line.number, QStringLiteral("the line has %1 fields, the header names %2")
                                    .arg(fields->size())
                                    .arg(columns.size()));
        std::array<QString, 13> cells;
        for (qsizetype k = 0; k < fields->size(); ++k)
            if (columns[size_t(k)] >= 0)
                cells[size_t(columns[size_t(k)])] = (*fields)[k];
        addRow(r, line.number, cells, out);
    }
    return out;
}

std::array<QString, 13> vexlorCells(const QString &line)
{
    const GridRow row = GridRow::fromLine(line, u'\t');
    std::array<QString, 13> cells;
    for (int k = 0; k < 13; ++k)
        cells[size_t(k)] = row.cell(k).trimmed();
    return cells;
}

// The first line of the own layout is a header when none of its fields is a
// date or a whole number (the program writes "Date", "", "Hour", "Sum",
// "N1" ...); otherwise it is the first data line, read and checked as every
// other, so that a file without a header loses no row.
bool isHeader(const std::array<QString, 13> &cells)
{
    return std::none_of(cells.begin(), cells.end(), [](const QString &c) {
        return wholeNumber(c, true) ||
               QDate::fromString(c, QStringLiteral("yyyy-MM-dd")).isValid() ||
               DateConv::fromText(c);
    });
}

FileHours readVexlor(const Reader &r, const Line &first, LineSource &lines)
{
    FileHours out;
    out.format = Format::Vexlor;
    // A 14th field holding a mark marks the row's hour.
    const auto add = [&](const Line &line, const std::array<QString, 13> &cells) {
        const size_t before = out.hours.size();
        addRow(r, line.number, cells, out);
        if (out.hours.size() > before) {
            const QString mark = GridRow::fromLine(line.text, u'\t').cell(HourMarks::Column);
            if (HourMarks::isMark(mark))
                out.hours.back().mark = mark.trimmed();
        }
    };
    const std::array<QString, 13> firstCells = vexlorCells(first.text);
    if (!isHeader(firstCells))
        add(first, firstCells);
    Line line;
    while (lines.next(line))
        add(line, vexlorCells(line.text));
    return out;
}

// ---- the national monthly table in local time ---------------------------------

// "Mar| 00 01 02 ... 23JST": a month, 24 hours in order, a zone (or "UT").
struct LocalHeader {
    int month = 0;
    std::array<int, 24> hours{};
    QString zone;
};

std::optional<LocalHeader> localHeader(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([A-Za-z]{3})\\s*\\|((?:\\s*\\d{1,2}){24})\\s*([A-Za-z]*)\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    LocalHeader h;
    for (int k = 1; k <= 12; ++k)
        if (m.captured(1).compare(monthAbbreviation(k), Qt::CaseInsensitive) == 0)
            h.month = k;
    if (h.month == 0)
        return std::nullopt;
    const QStringList numbers = m.captured(2).split(u' ', Qt::SkipEmptyParts);
    if (numbers.size() != 24)
        return std::nullopt;
    for (int k = 0; k < 24; ++k) {
        h.hours[size_t(k)] = numbers[k].toInt();
        if (h.hours[size_t(k)] > 23)
            return std::nullopt;
    }
    h.zone = m.captured(3).toUpper();
    return h;
}

// The zones the national tables name, by their hours ahead of UT.
std::optional<int> zoneOffset(const QString &zone)
{
    static const std::map<QString, int> zones = {
        {QStringLiteral("UT"), 0},  {QStringLiteral("UTC"), 0},   {QStringLiteral("GMT"), 0},
        {QStringLiteral("WET"), 0}, {QStringLiteral("CET"), 1},   {QStringLiteral("EET"), 2},
        {QStringLiteral("MSK"), 3}, {QStringLiteral("IST"), 5},   {QStringLiteral("JST"), 9},
        {QStringLiteral("KST"), 9}, {QStringLiteral("AEST"), 10}, {QStringLiteral("NZST"), 12},
    };
    const auto it = zones.find(zone);
    return it == zones.end() ? std::nullopt : std::optional<int>(it->second);
}

FileHours readLocal(const Reader &given, const Line &headerLine, const QStringList &preamble,
                    LineSource &lines)
{
    Reader r = given;
    const LocalHeader header = *localHeader(headerLine.text);
    for (int k = 0; k < 24; ++k)
        if (header.hours[size_t(k)] != (header.hours[0] + k) % 24)
            r.fail(headerLine.number, QStringLiteral("the hours of the header do not follow one "
                                                     "another"));
    // The year: from the file name (YYYY or YYYYMM), else from the title lines.
    static const QRegularExpression yearPattern(
        QStringLiteral("(?:^|\\D)((?:19|20)\\d\\d)(?:0[1-9]|1[0-2])?(?:\\D|$)"));
    int year = 0;
    for (const QString &text : QStringList{lastPart(r.file)} + preamble)
        if (const QRegularExpressionMatch m = yearPattern.match(text); m.hasMatch()) {
            year = m.captured(1).toInt();
            break;
        }
    if (year == 0)
        r.fail(headerLine.number, QStringLiteral("neither the file name nor the lines before the "
                                                 "table give its year"));
    std::optional<int> offset;
    if (!header.zone.isEmpty() && !header.zone.startsWith(QLatin1String("UT"))) {
        offset = zoneOffset(header.zone);
        if (!offset && !r.offset)
            r.fail(
                headerLine.number,
                QStringLiteral("the zone '%1' is not known: give its UT offset").arg(header.zone));
    } else if (header.zone.startsWith(QLatin1String("UT"))) {
        offset = 0;
    }
    FileHours out;
    out.format = Format::LocalTable;
    Line line;
    bool started = false;
    static const QRegularExpression dayPattern(QStringLiteral("^\\s*(\\d{1,2})\\s*\\|(.*)$"));
    static const QRegularExpression rule(QStringLiteral("^\\s*[-=+]+\\s*$"));
    const int daysInMonth = QDate(year, header.month, 1).daysInMonth();
    while (lines.next(line)) {
        if (line.text.trimmed().isEmpty() || rule.match(line.text).hasMatch())
            continue;
        // A second header line with the UT hours of the columns gives the offset.
        if (const std::optional<LocalHeader> ut = localHeader(line.text);
            ut && !started && ut->zone.startsWith(QLatin1String("UT"))) {
            offset = ((header.hours[0] - ut->hours[0]) % 24 + 24) % 24;
            if (*offset > 14)
                *offset -= 24;
            continue;
        }
        const QRegularExpressionMatch m = dayPattern.match(line.text);
        if (!m.hasMatch()) {
            if (started)
                break; // the notes after the table
            r.fail(line.number, QStringLiteral("'%1' is not a day line of the table")
                                    .arg(line.text.trimmed().left(40)));
        }
        started = true;
        if (!offset && !r.offset)
            throw ENeedsOffset(r.file);
        r.offset = offset ? offset : r.offset;
        const int day = m.captured(1).toInt();
        if (day < 1 || day > daysInMonth)
            r.fail(line.number, QStringLiteral("day %1 lies outside %2")
                                    .arg(day)
                                    .arg(monthText(year, header.month)));
        const QStringList cells = m.captured(2).split(u' ', Qt::SkipEmptyParts);
        if (cells.size() != 24)
            r.fail(line.number,
                   QStringLiteral("the line has %1 hour cells, not 24").arg(cells.size()));
        for (int k = 0; k < 24; ++k) {
            const QString &cell = cells[k];
            const QDate date(year, header.month, day);
            const int h = header.hours[size_t(k)];
            // Columns after midnight of a header that starts later belong to
            // the next local day.
            const QDate local = h < header.hours[0] ? date.addDays(1) : date;
            if (missingCell(cell) || cell == u"-")
                continue;
            if (const std::optional<int> v = wholeNumber(cell, false)) {
                r.add(out, r.hour(line.number, local, h, *v));
                continue;
            }
            const std::optional<QString> mark = HourMarks::markOfCell(cell);
            if (!mark)
                r.fail(line.number, QStringLiteral("the cell of %1h, '%2', is neither a count nor "
                                                   "IF, ES, NS or %n")
                                        .arg(h, 2, 10, QChar(u'0'))
                                        .arg(cell));
            Hour marked = r.hour(line.number, local, h, Hour::NoCount);
            marked.mark = *mark;
            r.add(out, std::move(marked));
        }
    }
    return out;
}

// ---- logs of echoes ----------------------------------------------------------

// The time of an echo at the start of a line: a date (YYYY-MM-DD, YYYY/MM/DD
// or DD.MM.YYYY), then T, blanks, a comma or a semicolon, then hh:mm with
// the seconds and their fraction when given, and a zone (Z, +hh:mm, -hhmm)
// when given. What follows a blank, comma or semicolon is the log's own
// (signal, noise, duration ...) and is not read.
const QRegularExpression &echoStamp()
{
    static const QRegularExpression stamp(
        QStringLiteral("^\\s*(?:(\\d{4})([-/])(\\d{2})\\2(\\d{2})|(\\d{2})\\.(\\d{2})\\.(\\d{4}))"
                       "(?:T|\\s*[,;]\\s*|\\s+)(\\d{2}):(\\d{2})(?::(\\d{2})(?:[.,]\\d{1,9})?)?"
                       "(Z|[+-]\\d{2}:?\\d{2})?(?=$|[\\s,;])"));
    return stamp;
}

bool isEchoLine(const QString &text)
{
    return echoStamp().match(text).hasMatch();
}

qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((b - 1 - a) / b);
}

// Counts the echoes into UT hours: an echo belongs to the hour whose
// hh:00:00 it follows and whose next hh:00:00 it precedes (an echo at
// 13:59:59.9 counts in 13h, one at 14:00:00.0 in 14h; a leap second
// 23:59:60 counts in 23h). The time is turned to UT first, by the zone the
// line names or the offset the caller gives. An hour without an echo gets no
// row: the log cannot tell an hour without echoes from one without
// reception, and the import's summary lists such hours as missing.
FileHours readEchoes(const Reader &r, const Line &first, LineSource &lines)
{
    FileHours out;
    out.format = Format::EchoLog;
    std::unordered_map<qint64, size_t> indexOfHour;
    Line line = first;
    do {
        const QStringView text = QStringView(line.text).trimmed();
        if (text.isEmpty() || text.startsWith(u'#'))
            continue; // blank lines and the log's comments
        const QRegularExpressionMatch m = echoStamp().match(line.text);
        if (!m.hasMatch())
            r.fail(line.number, QStringLiteral("'%1' does not begin with the date and time of an "
                                               "echo (YYYY-MM-DD hh:mm:ss)")
                                    .arg(text.left(40)));
        const bool iso = m.capturedLength(1) > 0;
        const QDate date(m.captured(iso ? 1 : 7).toInt(), m.captured(iso ? 3 : 6).toInt(),
                         m.captured(iso ? 4 : 5).toInt());
        const int hh = m.captured(8).toInt(), mm = m.captured(9).toInt();
        const int ss = m.capturedLength(10) > 0 ? m.captured(10).toInt() : 0;
        if (!date.isValid())
            r.fail(line.number, QStringLiteral("'%1' is no date").arg(m.captured(0).trimmed()));
        if (hh > 23 || mm > 59 || ss > 60)
            r.fail(line.number,
                   QStringLiteral("'%1' is no time of day").arg(m.captured(0).trimmed()));
        qint64 offsetSeconds = r.offset ? qint64(*r.offset) * 3600 : 0;
        if (const QString zone = m.captured(11); !zone.isEmpty() && zone != u"Z") {
            const QString digits = zone.mid(1).remove(u':');
            const int zh = digits.left(2).toInt(), zm = digits.mid(2).toInt();
            if (zh > 14 || zm > 59)
                r.fail(line.number, QStringLiteral("'%1' is no time zone").arg(zone));
            offsetSeconds = (zone.startsWith(u'-') ? -1 : 1) * (qint64(zh) * 3600 + zm * 60);
        } else if (zone == u"Z") {
            offsetSeconds = 0; // the line says UT
        }
        const qint64 local = date.toJulianDay() * 86400 + hh * 3600 + mm * 60 + std::min(ss, 59);
        const qint64 hourNumber = floorDiv(local - offsetSeconds, 3600);
        const auto [at, fresh] = indexOfHour.try_emplace(hourNumber, out.hours.size());
        if (fresh) {
            Hour h;
            h.date = QDate::fromJulianDay(floorDiv(hourNumber, 24));
            h.hour = int(hourNumber - floorDiv(hourNumber, 24) * 24);
            h.counts[0] = 0;
            h.file = r.file;
            h.line = line.number;
            r.add(out, std::move(h));
        }
        ++out.hours[at->second].counts[0];
    } while (lines.next(line));
    return out;
}

// A log of echoes may begin with lines of comment ('#'): the first line
// after them that holds an echo's time, if there is one.
std::optional<Line> echoLogStart(const QByteArray &bytes, const QString &name)
{
    LineSource ahead(bytes, name);
    Line line;
    while (ahead.nextFilled(line)) {
        if (line.text.trimmed().startsWith(u'#'))
            continue;
        if (isEchoLine(line.text))
            return line;
        break;
    }
    return std::nullopt;
}

// ---- the format of a file ---------------------------------------------------

Format sniffLine(const Line &first, const QString &name)
{
    static const QRegularExpression monthly(QStringLiteral("^\\s*[A-Za-z]{3}\\s*\\|"));
    static const QRegularExpression hourly(QStringLiteral("^\\s*\\d{10}\\s*,"));
    static const QRegularExpression daily(QStringLiteral("^\\s*\\d{1,2}\\s*;\\s*\\d*\\s*$"));
    const QString &text = first.text;
    if (monthly.match(text).hasMatch())
        return Format::MonthlyTable;
    if (hourly.match(text).hasMatch())
        return Format::HourlyList;
    if (daily.match(text).hasMatch())
        return Format::DailyList;
    if (isEchoLine(text))
        return Format::EchoLog;
    if (text.contains(u'\t'))
        return Format::Vexlor;
    if (csvSeparator(text))
        return Format::Csv;
    throw EImportError(name, first.number,
                       QStringLiteral("it is none of the formats Import reads (a monthly table, "
                                      "an hourly list, a daily list, CSV with a header row naming "
                                      "Date and Hour, Vexlor's tab-separated layout, a log of "
                                      "echoes with their times)"));
}

Line firstLine(LineSource &lines, const QString &name)
{
    Line first;
    if (!lines.nextFilled(first))
        throw EImportError(name, 0, QStringLiteral("the file is empty"));
    return first;
}

} // namespace

EImportError::EImportError(const QString &file, int line, const QString &reason)
    : EInOutError(line > 0 ? QStringLiteral("Cannot import \"%1\", line %2: %3")
                                 .arg(QDir::toNativeSeparators(file))
                                 .arg(line)
                                 .arg(reason)
                           : QStringLiteral("Cannot import \"%1\": %2")
                                 .arg(QDir::toNativeSeparators(file), reason)),
      m_file(file), m_line(line), m_reason(reason)
{
}

QLatin1String monthAbbreviation(int month)
{
    static const char *const names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
    return QLatin1String(names[std::clamp(month, 1, 12) - 1]);
}

Format sniff(const QByteArray &bytes, const QString &name)
{
    if (echoLogStart(bytes, name))
        return Format::EchoLog;
    LineSource lines(bytes, name);
    return sniffLine(firstLine(lines, name), name);
}

FileHours parse(const QByteArray &bytes, const QString &name, qsizetype hoursBefore,
                const Options &options)
{
    LineSource lines(bytes, name);
    const Line first = firstLine(lines, name);
    if (options.utcOffset && (*options.utcOffset < DateConv::MinUtcOffset ||
                              *options.utcOffset > DateConv::MaxUtcOffset))
        throw EImportError(name, 0,
                           QStringLiteral("the UT offset %1 h is none of a time zone (-12 to 14)")
                               .arg(*options.utcOffset));
    // A national table in local time may follow lines of its title.
    {
        LineSource ahead(bytes, name);
        Line line;
        QStringList preamble;
        for (int k = 0; k < 100 && ahead.next(line); ++k) {
            if (localHeader(line.text)) {
                const Reader lr{name, hoursBefore, options.utcOffset, {}, {}};
                return readLocal(lr, line, preamble, ahead);
            }
            preamble << line.text;
        }
    }
    const Reader r{name, hoursBefore, options.utcOffset, {}, {}};
    if (const std::optional<Line> echo = echoLogStart(bytes, name)) {
        // The lines are read again from the start: the comments before the
        // first echo are passed over by the reader itself.
        LineSource all(bytes, name);
        all.allowLines(MaxEchoLines);
        Line start;
        all.next(start);
        return readEchoes(r, start, all);
    }
    switch (sniffLine(first, name)) {
    case Format::MonthlyTable:
        return readMonthly(r, first, lines);
    case Format::HourlyList:
        return readHourly(r, first, lines);
    case Format::DailyList:
        return readDaily(r, first, lines);
    case Format::Csv:
        return readCsv(r, first, lines);
    case Format::Vexlor:
    case Format::LocalTable: // found before the sniff
    case Format::EchoLog:
        break;
    }
    return readVexlor(r, first, lines);
}

FileHours read(const QString &path, qsizetype hoursBefore, const Options &options)
{
    QByteArray bytes;
    try {
        bytes = FileRead::wholeFile(path, MaxFileSize);
    } catch (const FileRead::EReadFailed &e) {
        throw EImportError(path, 0, e.reason());
    }
    return parse(bytes, path, hoursBefore, options);
}

Summary summarize(const std::vector<qint64> &observed, int files)
{
    Summary s;
    s.files = files;
    s.hours = qsizetype(observed.size());
    for (size_t i = 0; i < observed.size(); ++i) {
        if (i == 0 || observed[i] / 24 != observed[i - 1] / 24)
            ++s.days;
        if (i == 0 || observed[i] == observed[i - 1] + 1)
            continue;
        const qint64 first = observed[i - 1] + 1;
        const qint64 length = observed[i] - first;
        s.missingHours += length;
        if (s.gaps.size() < size_t(MaxListedGaps))
            s.gaps.push_back({QDate::fromJulianDay(first / 24), int(first % 24), length});
        else
            ++s.moreGaps;
    }
    return s;
}

Merged merge(std::vector<FileHours> files)
{
    qsizetype marked = 0;
    std::vector<Hour> hours;
    size_t total = 0;
    for (const FileHours &f : files) {
        total += f.hours.size();
        if (total > size_t(MaxHours))
            throw EImportError(f.hours.back().file, 0,
                               QStringLiteral("with it the files hold more than %1 hours, more "
                                              "than a table of observations can hold")
                                   .arg(MaxHours));
    }
    hours.reserve(total);
    for (FileHours &f : files) {
        std::move(f.hours.begin(), f.hours.end(), std::back_inserter(hours));
        f.hours = {}; // its memory goes now, not at the end
    }
    std::stable_sort(hours.begin(), hours.end(),
                     [](const Hour &x, const Hour &y) { return x.number() < y.number(); });

    Merged out;
    QDate lastDate;
    QString lastDateText;
    std::vector<qint64> observed;
    observed.reserve(hours.size());
    out.rows.reserve(hours.size());
    // The hour being gathered: its counts so far, and the hour that gave each.
    std::array<qint32, 11> counts{};
    std::array<const Hour *, 11> from{};
    const Hour *first = nullptr;
    // A mark of the hour in any of its files marks the row (the first one
    // found, in the files' order).
    QString mark;
    const auto flush = [&] {
        if (first == nullptr)
            return;
        if (first->date != lastDate) { // a day's hours share its text
            lastDate = first->date;
            lastDateText = DateConv::toText(first->date);
        }
        GridRow row;
        row.setCell(0, lastDateText);
        row.setCell(1, QString::number(first->hour));
        for (int k = 0; k < 11; ++k)
            if (counts[size_t(k)] != Hour::NoCount)
                row.setCell(k + 2, QString::number(counts[size_t(k)]));
        if (!mark.isEmpty()) {
            row.setCell(HourMarks::Column, mark);
            ++marked;
        }
        out.rows.push_back(std::move(row));
    };
    for (const Hour &h : hours) {
        if (first == nullptr || observed.back() != h.number()) {
            flush();
            observed.push_back(h.number());
            first = &h;
            counts = h.counts;
            from.fill(&h);
            mark = h.mark;
            continue;
        }
        if (mark.isEmpty())
            mark = h.mark;
        for (int k = 0; k < 11; ++k) {
            const qint32 c = h.counts[size_t(k)];
            qint32 &kept = counts[size_t(k)];
            if (c == Hour::NoCount || c == kept)
                continue; // nothing new, or the same count again
            if (kept == Hour::NoCount) {
                kept = c; // another column of the same hour
                from[size_t(k)] = &h;
                continue;
            }
            const auto place = [](const Hour &x) {
                return QStringLiteral("\"%1\" (line %2)")
                    .arg(QDir::toNativeSeparators(x.file))
                    .arg(x.line);
            };
            throw EImportError(
                h.file, h.line,
                QStringLiteral("the hour %1 is given twice with different counts: %2 %3 in %4 "
                               "and %5 in %6")
                    .arg(dayText(h.date, h.hour),
                         k == 0 ? QStringLiteral("Sum") : QStringLiteral("N%1").arg(k),
                         QString::number(kept), place(*from[size_t(k)]), QString::number(c),
                         place(h)));
        }
    }
    flush();
    out.summary = summarize(observed, int(files.size()));
    out.summary.markedHours = marked;
    return out;
}

void moveToColumn(FileHours &file, int column)
{
    if (column < 0 || column > 10)
        throw std::invalid_argument("ObserverFiles: a count column is 0 to 10");
    for (Hour &h : file.hours) {
        for (int k = 1; k < 11; ++k)
            if (h.counts[size_t(k)] != Hour::NoCount)
                throw EImportError(h.file, h.line,
                                   QStringLiteral("it has counts in N%1, and only a file with "
                                                  "counts in Sum alone can go into a chosen "
                                                  "column")
                                       .arg(k));
        if (column != 0)
            std::swap(h.counts[0], h.counts[size_t(column)]);
    }
}

namespace {

// "050d3000 N": degrees, minutes and seconds, and the side.
double fromDegreesText(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,3})d(\\d{2})(\\d{2})\\s*([NSEWnsew])\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nan("");
    const double v =
        m.captured(1).toInt() + m.captured(2).toInt() / 60.0 + m.captured(3).toInt() / 3600.0;
    const QChar side = m.captured(4).at(0).toUpper();
    return side == u'S' || side == u'W' ? -v : v;
}

double decimalDegrees(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : std::nan("");
}

} // namespace

StationInfo stationOf(const FileHours &file, const QString &path)
{
    StationInfo out;
    const auto value = [&file](const char *key) {
        const auto it = file.station.find(QString::fromLatin1(key));
        return it == file.station.end() ? QString() : it->second.trimmed();
    };
    out.name = value("Observer");
    if (out.name.isEmpty() && file.format == Format::MonthlyTable) {
        static const QRegularExpression name(QStringLiteral("^(.+)_\\d{6}rmob\\.txt$"),
                                             QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = name.match(lastPart(path));
        if (m.hasMatch())
            out.name = m.captured(1);
    }
    out.latitude = decimalDegrees(value("Latitude GMAP"));
    if (std::isnan(out.latitude))
        out.latitude = fromDegreesText(value("Latitude"));
    out.longitude = decimalDegrees(value("Longitude GMAP"));
    if (std::isnan(out.longitude))
        out.longitude = fromDegreesText(value("Longitude"));
    if (!(std::fabs(out.latitude) <= 90) || !(std::fabs(out.longitude) <= 180))
        out.latitude = out.longitude = std::nan("");
    return out;
}

Merged import(const QStringList &paths, const Options &options)
{
    std::vector<FileHours> files;
    files.reserve(size_t(paths.size()));
    qsizetype hours = 0;
    for (const QString &path : paths) {
        files.push_back(read(path, hours, options));
        hours += qsizetype(files.back().hours.size());
    }
    return merge(std::move(files));
}

} // namespace ObserverFiles
