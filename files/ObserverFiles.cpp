// The hourly count files of radio meteor stations: reading them into table
// rows, several at once.
#include "ObserverFiles.h"

#include "app/DateConv.h"
#include "app/FileRead.h"
#include "app/TextCodec.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <optional>
#include <stdexcept>

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

// The lines of a text, each with its number from 1. A line ends at LF, CR LF,
// LF CR or a lone CR: station programs write all four.
struct Line {
    int number;
    QStringView text;
};

std::vector<Line> splitLines(const QString &text)
{
    std::vector<Line> lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    int number = 1;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\n' && c != u'\r')
            continue;
        lines.push_back({number++, QStringView(text).mid(start, i - start)});
        if (i + 1 < n && text[i + 1] != c && (text[i + 1] == u'\n' || text[i + 1] == u'\r'))
            ++i; // the second half of a two-character line end
        start = i + 1;
    }
    if (start < n)
        lines.push_back({number, QStringView(text).mid(start)});
    return lines;
}

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

    QString count(int line, QStringView text, bool sign) const
    {
        const std::optional<int> v = wholeNumber(text, sign);
        if (!v)
            fail(line, QStringLiteral("'%1' is not a whole number").arg(text.trimmed()));
        return QString::number(*v);
    }

    Hour hour(int line, const QDate &date, int h, const QString &sum) const
    {
        Hour out;
        out.date = date;
        out.hour = h;
        out.counts[0] = sum;
        out.file = file;
        out.line = line;
        return out;
    }
};

QString lastPart(const QString &name)
{
    return QFileInfo(name).fileName();
}

// ---- the monthly table ----------------------------------------------------

// A cell of a monthly table that holds no count.
bool missingCell(QStringView cell)
{
    if (cell.isEmpty() || cell == u"1111")
        return true;
    return std::all_of(cell.begin(), cell.end(), [](QChar c) { return c == u'?'; });
}

FileHours readMonthly(const Reader &r, const std::vector<Line> &lines)
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

    FileHours out;
    out.format = Format::MonthlyTable;
    struct DayLine {
        int line;
        int day;
        QList<QStringView> cells;
    };
    std::vector<DayLine> days;
    bool header = false, station = false, zeroBased = false;
    for (const Line &line : lines) {
        const QStringView text = line.text.trimmed();
        if (text.isEmpty())
            continue;
        if (station || text.startsWith(u'[')) {
            station = true;
            const qsizetype close = text.indexOf(u']');
            if (text.startsWith(u'[') && close > 0)
                out.station[text.mid(1, close - 1).trimmed().toString()] =
                    text.mid(close + 1).trimmed().toString();
            continue;
        }
        QList<QStringView> cells = text.split(u'|');
        if (!header) {
            header = true;
            const QString named = cells.front().trimmed().toString().toLower();
            if (named != monthAbbreviation(month))
                r.fail(line.number,
                       QStringLiteral("the table is headed '%1', but the file name "
                                      "gives month %2 (%3)")
                           .arg(cells.front().trimmed(), m.captured(1), monthAbbreviation(month)));
            continue;
        }
        const std::optional<int> day = wholeNumber(cells.front(), false);
        if (!day)
            r.fail(line.number,
                   QStringLiteral("'%1' is not a day of the month").arg(cells.front().trimmed()));
        zeroBased = zeroBased || *day == 0;
        cells.removeFirst();
        while (cells.size() > 24 && cells.back().trimmed().isEmpty())
            cells.removeLast();
        if (cells.size() > 24)
            r.fail(line.number,
                   QStringLiteral("the line has %1 hour cells, not 24").arg(cells.size()));
        days.push_back({line.number, *day, std::move(cells)});
    }
    if (!header)
        r.fail(0, QStringLiteral("the file holds no table"));

    for (const DayLine &d : days) {
        const int day = zeroBased ? d.day + 1 : d.day;
        if (day > daysInMonth)
            r.fail(d.line, QStringLiteral("day %1%2 lies past the end of the month: %3 has %4 days")
                               .arg(d.day)
                               .arg(zeroBased ? QStringLiteral(" (day %1 counted from 1)").arg(day)
                                              : QString())
                               .arg(monthText(year, month))
                               .arg(daysInMonth));
        const QDate date(year, month, day);
        for (int h = 0; h < d.cells.size(); ++h) {
            const QStringView cell = d.cells[h].trimmed();
            if (missingCell(cell))
                continue;
            const std::optional<int> v = wholeNumber(cell, false);
            if (!v)
                r.fail(d.line, QStringLiteral("the count of %1h, '%2', is not a whole number")
                                   .arg(h, 2, 10, QChar(u'0'))
                                   .arg(cell));
            out.hours.push_back(r.hour(d.line, date, h, QString::number(*v)));
        }
    }
    return out;
}

// ---- the hourly list and the daily list -------------------------------------

FileHours readHourly(const Reader &r, const std::vector<Line> &lines)
{
    FileHours out;
    out.format = Format::HourlyList;
    for (const Line &line : lines) {
        if (line.text.trimmed().isEmpty())
            continue;
        const QList<QStringView> f = line.text.split(u',');
        if (f.size() != 3)
            r.fail(line.number, QStringLiteral("the line has %1 fields, not 3").arg(f.size()));
        const QStringView stamp = f[0].trimmed();
        // Ten digits; as a number it would not fit an int past the year 2147.
        if (stamp.size() != 10 || !std::all_of(stamp.begin(), stamp.end(),
                                               [](QChar c) { return c.isDigit() && c < u'\x80'; }))
            r.fail(line.number,
                   QStringLiteral("'%1' is not a time of the form YYYYMMDDHH").arg(stamp));
        const int year = stamp.left(4).toInt(), month = stamp.mid(4, 2).toInt(),
                  day = stamp.mid(6, 2).toInt(), h = stamp.mid(8, 2).toInt();
        if (month < 1 || month > 12 || day < 1)
            r.fail(line.number, QStringLiteral("'%1' is not a date and hour").arg(stamp));
        if (day > QDate(year, month, 1).daysInMonth())
            r.fail(line.number,
                   QStringLiteral("day %1 lies past the end of the month: %2 has %3 days")
                       .arg(day)
                       .arg(monthText(year, month))
                       .arg(QDate(year, month, 1).daysInMonth()));
        if (h > 23)
            r.fail(line.number, QStringLiteral("'%1' is not an hour of day (0 to 23)").arg(h));
        if (r.hourOfDay(line.number, f[1]) != h)
            r.fail(line.number, QStringLiteral("the hour '%1' does not match the time %2")
                                    .arg(f[1].trimmed(), stamp));
        out.hours.push_back(
            r.hour(line.number, QDate(year, month, day), h, r.count(line.number, f[2], false)));
    }
    return out;
}

FileHours readDaily(const Reader &r, const std::vector<Line> &lines)
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
    for (const Line &line : lines) {
        if (line.text.trimmed().isEmpty())
            continue;
        const QList<QStringView> f = line.text.split(u';');
        if (f.size() != 2)
            r.fail(line.number, QStringLiteral("the line is not of the form hour;count"));
        out.hours.push_back(r.hour(line.number, date, r.hourOfDay(line.number, f[0]),
                                   r.count(line.number, f[1], false)));
    }
    return out;
}

// ---- CSV and the program's own layout ----------------------------------------

// The fields of a CSV line; a field may be quoted, with "" for a quote.
std::optional<QStringList> csvFields(QStringView line, QChar separator)
{
    QStringList fields;
    QString field;
    bool quoted = false, wasQuoted = false;
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
        } else if (c == u'"' && field.trimmed().isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
            field.clear();
        } else if (c == separator) {
            fields << field.trimmed();
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    fields << field.trimmed();
    return fields;
}

// The table columns of a header's names: Date 0, Hour 1, Sum 2, N1 to N10 3
// to 12; -1 for a name the table has no column for.
std::vector<int> csvColumns(const QStringList &names)
{
    std::vector<int> columns;
    for (const QString &name : names) {
        const QString n = name.toLower();
        int col = -1;
        if (n == QLatin1String("date"))
            col = 0;
        else if (n == QLatin1String("hour"))
            col = 1;
        else if (n == QLatin1String("sum"))
            col = 2;
        else if (n.startsWith(u'n')) {
            bool ok = false;
            const int k = n.mid(1).toInt(&ok);
            if (ok && k >= 1 && k <= 10 && n.mid(1) == QString::number(k))
                col = k + 2;
        }
        // A second column of one name would leave it unclear which counts.
        if (col >= 0 && std::find(columns.begin(), columns.end(), col) != columns.end())
            col = -1;
        columns.push_back(col);
    }
    return columns;
}

bool hasDateAndHour(const std::vector<int> &columns)
{
    return std::count(columns.begin(), columns.end(), 0) == 1 &&
           std::count(columns.begin(), columns.end(), 1) == 1;
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
    QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        date = DateConv::fromText(text).value_or(QDate());
    if (!date.isValid())
        r.fail(line, QStringLiteral("'%1' is not a date of the form yyyy-MM-dd or %2")
                         .arg(text, DateConv::format()));
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
    out.hours.push_back(std::move(h));
}

FileHours readCsv(const Reader &r, const std::vector<Line> &lines)
{
    FileHours out;
    out.format = Format::Csv;
    auto line = std::find_if(lines.begin(), lines.end(),
                             [](const Line &l) { return !l.text.trimmed().isEmpty(); });
    const QChar sep = *csvSeparator(line->text);
    const std::vector<int> columns = csvColumns(*csvFields(line->text, sep));
    for (++line; line != lines.end(); ++line) {
        const std::optional<QStringList> fields = csvFields(line->text, sep);
        if (!fields)
            r.fail(line->number, QStringLiteral("a quoted field runs past the end of the line"));
        if (fields->size() > qsizetype(columns.size()))
            r.fail(line->number, QStringLiteral("the line has %1 fields, the header names %2")
                                     .arg(fields->size())
                                     .arg(columns.size()));
        std::array<QString, 13> cells;
        for (qsizetype k = 0; k < fields->size(); ++k)
            if (columns[size_t(k)] >= 0)
                cells[size_t(columns[size_t(k)])] = (*fields)[k];
        addRow(r, line->number, cells, out);
    }
    return out;
}

FileHours readVexlor(const Reader &r, const std::vector<Line> &lines)
{
    FileHours out;
    out.format = Format::Vexlor;
    for (size_t i = 1; i < lines.size(); ++i) { // the header line is not read
        const GridRow row = GridRow::fromLine(lines[i].text, u'\t');
        std::array<QString, 13> cells;
        for (int k = 0; k < 13; ++k)
            cells[size_t(k)] = row.cell(k).trimmed();
        addRow(r, lines[i].number, cells, out);
    }
    return out;
}

// ---- the text of a file ----------------------------------------------------

QString textOf(const QByteArray &bytes, const QString &name)
{
    const auto utf16 = [&](QStringConverter::Encoding encoding) {
        QStringDecoder decoder(encoding);
        QString text = decoder(bytes.mid(2));
        if (decoder.hasError())
            throw EImportError(name, 0, QStringLiteral("it is not valid UTF-16 text"));
        return text;
    };
    if (bytes.startsWith("\xFF\xFE"))
        return utf16(QStringConverter::Utf16LE);
    if (bytes.startsWith("\xFE\xFF"))
        return utf16(QStringConverter::Utf16BE);
    if (bytes.contains('\0'))
        throw EImportError(name, 0, QStringLiteral("it is not a text file"));
    QString text = TextCodec::decode(bytes).text;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

Format sniffLines(const std::vector<Line> &lines, const QString &name)
{
    auto first = std::find_if(lines.begin(), lines.end(),
                              [](const Line &l) { return !l.text.trimmed().isEmpty(); });
    if (first == lines.end())
        throw EImportError(name, 0, QStringLiteral("the file is empty"));
    static const QRegularExpression monthly(QStringLiteral("^\\s*[A-Za-z]{3}\\s*\\|"));
    static const QRegularExpression hourly(QStringLiteral("^\\s*\\d{10}\\s*,"));
    static const QRegularExpression daily(QStringLiteral("^\\s*\\d{1,2}\\s*;\\s*\\d*\\s*$"));
    const QString text = first->text.toString();
    if (monthly.match(text).hasMatch())
        return Format::MonthlyTable;
    if (hourly.match(text).hasMatch())
        return Format::HourlyList;
    if (daily.match(text).hasMatch())
        return Format::DailyList;
    if (text.contains(u'\t'))
        return Format::Vexlor;
    if (csvSeparator(first->text))
        return Format::Csv;
    throw EImportError(name, first->number,
                       QStringLiteral("it is none of the formats Import reads (a monthly table, "
                                      "an hourly list, a daily list, CSV with a header row naming "
                                      "Date and Hour, Vexlor's tab-separated layout)"));
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
    const QString text = textOf(bytes, name);
    return sniffLines(splitLines(text), name);
}

FileHours parse(const QByteArray &bytes, const QString &name)
{
    const QString text = textOf(bytes, name);
    const std::vector<Line> lines = splitLines(text);
    if (qsizetype(lines.size()) > MaxHours + 64)
        throw EImportError(name, 0, QStringLiteral("it holds more than %1 lines").arg(MaxHours));
    const Reader r{name};
    switch (sniffLines(lines, name)) {
    case Format::MonthlyTable:
        return readMonthly(r, lines);
    case Format::HourlyList:
        return readHourly(r, lines);
    case Format::DailyList:
        return readDaily(r, lines);
    case Format::Csv:
        return readCsv(r, lines);
    case Format::Vexlor:
        break;
    }
    return readVexlor(r, lines);
}

FileHours read(const QString &path)
{
    QByteArray bytes;
    try {
        bytes = FileRead::wholeFile(path, MaxFileSize);
    } catch (const FileRead::EReadFailed &e) {
        throw EImportError(path, 0, e.reason());
    }
    return parse(bytes, path);
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
    for (FileHours &f : files)
        std::move(f.hours.begin(), f.hours.end(), std::back_inserter(hours));
    std::stable_sort(hours.begin(), hours.end(),
                     [](const Hour &x, const Hour &y) { return x.number() < y.number(); });

    Merged out;
    std::vector<qint64> observed;
    observed.reserve(hours.size());
    out.rows.reserve(hours.size());
    // The counts of the hour being gathered, and the hour that gave each.
    std::array<QString, 11> counts;
    std::array<const Hour *, 11> from{};
    const auto flush = [&] {
        if (observed.empty())
            return;
        const qint64 n = observed.back();
        GridRow row;
        row.setCell(0, DateConv::toText(QDate::fromJulianDay(n / 24)));
        row.setCell(1, QString::number(n % 24));
        for (int k = 0; k < 11; ++k)
            if (!counts[size_t(k)].isEmpty())
                row.setCell(k + 2, counts[size_t(k)]);
        out.rows.push_back(std::move(row));
    };
    for (const Hour &h : hours) {
        if (observed.empty() || observed.back() != h.number()) {
            flush();
            observed.push_back(h.number());
            counts = h.counts;
            for (int k = 0; k < 11; ++k)
                from[size_t(k)] = &h;
            continue;
        }
        for (int k = 0; k < 11; ++k) {
            const QString &c = h.counts[size_t(k)];
            QString &kept = counts[size_t(k)];
            if (c.isEmpty() || c == kept)
                continue; // nothing new, or the same count again
            if (kept.isEmpty()) {
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
                         k == 0 ? QStringLiteral("Sum") : QStringLiteral("N%1").arg(k), kept,
                         place(*from[size_t(k)]), c, place(h)));
        }
    }
    flush();
    out.summary = summarize(observed, int(files.size()));
    return out;
}

void moveToColumn(FileHours &file, int column)
{
    if (column < 0 || column > 10)
        throw std::invalid_argument("ObserverFiles: a count column is 0 to 10");
    for (Hour &h : file.hours) {
        for (int k = 1; k < 11; ++k)
            if (!h.counts[size_t(k)].isEmpty())
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

Merged import(const QStringList &paths)
{
    std::vector<FileHours> files;
    files.reserve(size_t(paths.size()));
    for (const QString &path : paths)
        files.push_back(read(path));
    return merge(std::move(files));
}

} // namespace ObserverFiles
