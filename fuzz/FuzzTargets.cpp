// The bodies of the fuzz targets.
#include "FuzzTargets.h"

#include "analysis/ActivityModel.h"
#include "analysis/AutoSearch.h"
#include "analysis/RunPipeline.h"
#include "app/Colors.h"
#include "app/DateConv.h"
#include "app/Errors.h"
#include "app/IniFile.h"
#include "app/LanguageTexts.h"
#include "app/Settings.h"
#include "app/TextCodec.h"
#include "files/ExtractField.h"
#include "files/NetworkExport.h"
#include "files/ObserverFiles.h"
#include "files/SheetTable.h"
#include "files/TextFormat.h"
#include "files/workbook/Workbook.h"
#include "files/workbook/XlsScan.h"
#include "table/GridModel.h"
#include "table/PasteBlock.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

void check(bool ok, const char *what)
{
    if (!ok)
        broken(what);
}

QList<QByteArray> lines(const QByteArray &bytes)
{
    QList<QByteArray> out = bytes.split('\n');
    // A line's end may gain an LF (a last line ending in a lone CR): compare
    // the lines without their CRs at the end.
    for (QByteArray &l : out)
        while (l.endsWith('\r'))
            l.chop(1);
    if (bytes.endsWith('\n'))
        out.removeLast(); // the empty piece after the last line end
    return out;
}

QString &scratchDir()
{
    static QTemporaryDir dir;
    static QString path = dir.path();
    return path;
}

// The bytes as a file of the scratch folder, for readers that want a path.
QString scratchFile(const QString &name, const QByteArray &bytes)
{
    const QString path = scratchDir() + u'/' + name;
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file");
    f.write(bytes);
    return path;
}

// The raw value a settings file gives a key, found the plain way: the first
// section of the name, the first line of the key in it.
std::optional<QString> referenceValue(const QByteArray &bytes, const QString &section,
                                      const QString &key)
{
    const QString text = TextCodec::decode(bytes).text;
    bool inSection = false, seen = false;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString t = line.trimmed();
        if (t.startsWith(u'[')) {
            if (inSection)
                return std::nullopt;
            const qsizetype close = t.indexOf(u']');
            const QString name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
            inSection = !seen && name.compare(section, Qt::CaseInsensitive) == 0;
            seen = seen || inSection;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inSection && eq >= 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return std::nullopt;
}

// The bytes as a file of their own in memory, for readers that want a path.
class MemoryFile {
public:
    explicit MemoryFile(const QByteArray &bytes)
    {
        m_fd = ::memfd_create("fuzz", MFD_CLOEXEC);
        check(m_fd >= 0, "memfd");
        check(::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size(),
              "memfd write");
    }
    ~MemoryFile() { ::close(m_fd); }
    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(m_fd); }

private:
    int m_fd = -1;
};

// What every workbook reader promises of a sheet it read, and the table the
// program makes of it.
void tableOf(const Worksheet &sheet)
{
    check(sheet.cellCount() <= Worksheet::MaxCells, "the cell cap holds");
    SheetTable::read(sheet);
}

} // namespace

namespace Fuzz {

void textFile(const QByteArray &bytes)
{
    const std::vector<GridRow> rows = TextFormat::parse(bytes);
    check(!rows.empty(), "a parsed file has at least one row");
    // The one-pass splitter agrees with ExtractField on the first data line.
    const qsizetype nl = bytes.indexOf('\n');
    if (nl >= 0) {
        QByteArray raw = bytes.mid(nl + 1);
        raw = raw.left(raw.indexOf('\n'));
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (!raw.isEmpty() && !raw.contains('\0')) {
            const QString line = QString::fromUtf8(raw);
            if (line.toUtf8() == raw) {
                const GridRow row = GridRow::fromLine(line, u'\t');
                for (int n = 1; n <= GridRow::Columns; ++n)
                    check(row.cell(n - 1) == ExtractField(line, QStringLiteral("\t"), n),
                          "splitter = ExtractField");
            }
        }
    }
    // Written and read again, every row comes back with columns 0 to 12.
    GridModel grid;
    grid.replaceRows(rows);
    const std::vector<GridRow> back = TextFormat::parse(TextFormat::format(grid));
    // Every row is written as a line of at least 12 TABs, so none is lost.
    check(back.size() == rows.size(), "round trip keeps the rows");
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 13; ++c) {
            QString expected = rows[r].cell(c);
            expected.replace(u'\r', u' ');
            check(back[r].cell(c) == expected, "round trip keeps the cells");
        }
}

void iniFile(const QByteArray &bytes)
{
    const QString path = scratchFile(QStringLiteral("fuzz.ini"), bytes);
    IniFile ini(path);
    const QString language =
        ini.readString(QStringLiteral("self"), QStringLiteral("Language"), QString());
    check(language.size() <= IniFile::MaxValueLength, "values are cut at 2047 characters");
    ini.readInteger(QStringLiteral("self"), QStringLiteral("SH0"), 7);
    const QString other =
        ini.readString(QStringLiteral("en"), QStringLiteral("M1"), QStringLiteral("none"));
    try {
        ini.writeInteger(QStringLiteral("self"), QStringLiteral("GBC"), 123);
    } catch (const EIniFileError &) {
        broken("the scratch file can be written");
    }
    check(ini.readInteger(QStringLiteral("self"), QStringLiteral("GBC"), 0) == 123,
          "a written key reads back");
    check(ini.readString(QStringLiteral("en"), QStringLiteral("M1"), QStringLiteral("none")) ==
              other,
          "a key of another section is unchanged");
    // Every line of the old file is still there, in order, but at most the
    // one replaced; at most the key line and its section header are new.
    QFile f(path);
    check(f.open(QIODevice::ReadOnly), "scratch file");
    const QList<QByteArray> before = lines(bytes), after = lines(f.readAll());
    qsizetype prefix = 0, suffix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    check(before.size() - prefix - suffix <= 1, "the rest of the file stays as it was");
    check(after.size() - prefix - suffix <= 2, "only the key and its section are new");

    // Several keys in one write, as the window's memory is written.
    try {
        ini.writeStrings(QStringLiteral("window"),
                         {{QStringLiteral("Recent1"), QStringLiteral("/d/a%20b.txt")},
                          {QStringLiteral("Page"), QStringLiteral("2")},
                          {QStringLiteral("Recent1"), QStringLiteral("/d/c.txt")}});
    } catch (const EIniFileError &) {
        broken("the scratch file can be written again");
    }
    check(ini.readString(QStringLiteral("window"), QStringLiteral("Recent1"), {}) ==
              QStringLiteral("/d/c.txt"),
          "the last write of a key counts");
    check(ini.readInteger(QStringLiteral("window"), QStringLiteral("Page"), 0) == 2,
          "every key of one write reads back");
    check(ini.readInteger(QStringLiteral("self"), QStringLiteral("GBC"), 0) == 123 &&
              ini.readString(QStringLiteral("en"), QStringLiteral("M1"), QStringLiteral("none")) ==
                  other,
          "the keys of other sections stay");

    // A text value taken from the file itself reads back as written (in
    // quotes where a read would take off its blanks or quotes), or is
    // refused in words.
    const QStringList texts = TextCodec::decode(bytes).text.split(u'\n');
    const QString value = texts.back().left(64);
    try {
        ini.writeString(QStringLiteral("station"), QStringLiteral("City"), value);
    } catch (const EIniFileError &e) {
        check(e.text().startsWith(QStringLiteral("Unable to write to ")), "a refusal in words");
        return;
    }
    check(IniFile(path).readString(QStringLiteral("station"), QStringLiteral("City"), {}) == value,
          "a text value reads back as written");
}

void xlsx(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Worksheet sheet;
    try {
        WorkbookFiles::readZipWorkbook(buffer, QStringLiteral("fuzz.xlsx"), sheet);
    } catch (const EWorkbookError &) {
        return;
    }
    tableOf(sheet);
}

void ods(const QByteArray &bytes)
{
    Worksheet sheet;
    try {
        WorkbookFiles::readOdsContent(bytes, QStringLiteral("fuzz.ods"), sheet);
    } catch (const EWorkbookError &) {
        return;
    }
    tableOf(sheet);
}

void xls(const QByteArray &bytes)
{
    XlsScan::workbookStream(bytes);
    const MemoryFile file(bytes);
    Worksheet sheet;
    try {
        WorkbookFiles::read(file.path(), sheet);
    } catch (const EWorkbookError &) {
        return;
    }
    tableOf(sheet);
}

void settingsStart(const QByteArray &bytes)
{
    const QString path = scratchFile(QStringLiteral("start.ini"), bytes);
    // Every key a start reads, through one object as the window does, each
    // compared with the plain reading of the file.
    IniFile ini(path);
    auto expect = [&](const QString &section, const QString &key) {
        const QString got = ini.readString(section, key, QStringLiteral("\x01"));
        const std::optional<QString> raw = referenceValue(bytes, section, key);
        if (!raw) {
            check(got == QStringLiteral("\x01"), "a missing key gives the default");
            return;
        }
        QString value = raw->trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        check(got == value.left(IniFile::MaxValueLength), "the value of the plain reading");
    };
    QStringList selfKeys = {QStringLiteral("Language"), QStringLiteral("DateFormat"),
                            QStringLiteral("GBC"), QStringLiteral("GAGC")};
    for (int n = 0; n < 4; ++n)
        selfKeys << QStringLiteral("SH%1").arg(n);
    for (const QString &key : selfKeys)
        expect(QStringLiteral("self"), key);
    QStringList windowKeys = {QStringLiteral("Geometry"), QStringLiteral("State"),
                              QStringLiteral("Page"), QStringLiteral("FolderOpen"),
                              QStringLiteral("FolderOpenTxt")};
    for (int n = 1; n <= Settings::RecentCount; ++n)
        windowKeys << QStringLiteral("Recent%1").arg(n);
    for (const QString &key : windowKeys)
        expect(QStringLiteral("window"), key);
    QString language = ini.readString(QStringLiteral("self"), QStringLiteral("Language"), {});
    if (language.isEmpty())
        language = QStringLiteral("en");
    QStringList keys;
    for (int m = 1; m <= 5; ++m) {
        keys << QStringLiteral("M%1").arg(m);
        for (int k = 0; k < 12; ++k)
            keys << QStringLiteral("M%1%2").arg(m).arg(k);
    }
    for (int n = 0; n <= 20; ++n)
        keys << QStringLiteral("PC%1").arg(n) << QStringLiteral("TB%1").arg(n)
             << QStringLiteral("SG%1").arg(n) << QStringLiteral("MSG%1").arg(n)
             << QStringLiteral("L%1").arg(n) << QStringLiteral("X%1").arg(n);
    for (const QString &key : keys)
        expect(language, key);

    // The start as the program makes it: the settings and the language's
    // texts from one reading say what the keys read one by one say.
    Settings settings(path);
    settings.read();
    check(settings.language() ==
              ini.readString(QStringLiteral("self"), QStringLiteral("Language"), {}),
          "the language of one reading");
    check(settings.dateFormat() ==
              ini.readString(QStringLiteral("self"), QStringLiteral("DateFormat"), {}),
          "the date format of one reading");
    check(settings.lineColor(3) ==
              Colors::fromValue(ini.readInteger(QStringLiteral("self"), QStringLiteral("SH3"),
                                                Colors::DarkGreen)),
          "a line colour of one reading");
    check(settings.axisGrid() ==
              Colors::fromValue(
                  ini.readInteger(QStringLiteral("self"), QStringLiteral("GAGC"), Colors::Black)),
          "the grid colour of one reading");
    // The recent files: each a key's value, decoded, none twice, at most 8.
    QStringList recent = settings.recentFiles();
    check(recent.size() <= Settings::RecentCount, "at most 8 recent files");
    check(recent.removeDuplicates() == 0, "no recent file twice");
    check(settings.page() >= 0, "a page from 0");
    const LanguageTexts texts = settings.texts(language);
    for (int n = 1; n <= LanguageTexts::TextCount; ++n) {
        const auto text = LanguageTexts::Text(n);
        check(texts.text(text) == ini.readString(language, QStringLiteral("X%1").arg(n),
                                                 LanguageTexts::english(text)),
              "a text of one reading");
    }
    for (int n = 1; n <= LanguageTexts::LabelCount; ++n) {
        const auto label = LanguageTexts::Label(n);
        check(texts.label(label) == ini.readString(language, QStringLiteral("L%1").arg(n),
                                                   LanguageTexts::english(label)),
              "a label of one reading");
    }
    for (int n = 1; n <= LanguageTexts::MessageCount; ++n)
        check(texts.message(n) == ini.readString(language, QStringLiteral("MSG%1").arg(n), {}),
              "a message of one reading");
    for (const QString &key : keys)
        check(texts.value(key) == ini.readString(language, key, {}), "a key of one reading");
}

void tableFit(const QByteArray &bytes)
{
    if (bytes.size() < 4)
        return;
    // Four bytes of parameters, then a table as a text file.
    const int column = static_cast<unsigned char>(bytes[0]) % 14 - 1;
    const int a = static_cast<unsigned char>(bytes[1]) % 102;
    const int b = static_cast<unsigned char>(bytes[2]) % 102;
    const int P = static_cast<unsigned char>(bytes[3]);
    GridModel grid;
    grid.replaceRows(TextFormat::parse(QByteArray("header\n") + bytes.mid(4)));
    const RowSelection selection =
        selectRows(grid, grid.cell(0, 1), grid.cell(0, grid.rowCountWithHeader() - 1));
    if (!selection.valid())
        return;
    std::vector<TRadData> data, model;
    Peak peak;
    try {
        peak = readRows(grid, selection, countColumn(column), data);
        check(peak.PeakValue >= 0, "the peak is at least 0");
        check(peak.PeakOffset >= 0 && peak.PeakOffset < selection.count(),
              "the peak lies in the selection");
        for (const TRadData &d : data)
            check(d.Hour >= 0 && d.Hour <= 23, "hours index the bins");
        HourBins bins;
        const double dO = fitModel(data, model, {a, b, P, 50}, bins);
        check(!(dO < 0), "dO is not negative");
    } catch (const EConvertError &) {
        return;
    } catch (const EZeroDivide &) {
    } catch (const EInvalidOp &) {
    }
    // The fast scores are the fit's, for one a.
    if (data.size() <= 120 && searchable(peak)) {
        const SearchInput input(data, peak.PeakOffset);
        std::vector<double> fast(SearchRange::PerA), literal(SearchRange::PerA);
        std::vector<ScoreFailure> fastFail(SearchRange::PerA), literalFail(SearchRange::PerA);
        const int searchA = a % 100 + 1;
        input.scoreA(searchA, fast.data(), fastFail.data());
        input.scoreALiteral(searchA, literal.data(), literalFail.data());
        for (int s = 0; s < SearchRange::PerA; ++s) {
            check(fastFail[static_cast<size_t>(s)] == literalFail[static_cast<size_t>(s)],
                  "same failures");
            if (literalFail[static_cast<size_t>(s)] == ScoreFailure::None)
                check(std::memcmp(&fast[static_cast<size_t>(s)], &literal[static_cast<size_t>(s)],
                                  sizeof(double)) == 0,
                      "same scores, bit for bit");
        }
    }
}

void observerFile(const QByteArray &bytes)
{
    static const char *const names[] = {
        "Station_022024rmob.TXT", "RMOB-202402.dat", "29022024.STA", "counts.csv", "table.txt",
        "rmoj202503.txt"};
    if (bytes.isEmpty())
        return;
    // Half the inputs with a two-digit year: the dates must keep their
    // century through the table's texts and the export.
    DateConv::setFormat(uchar(bytes[0]) / std::size(names) % 2 == 0 ? QStringLiteral("dd.MM.yyyy")
                                                                    : QStringLiteral("dd.MM.yy"));
    const QString name = QLatin1String(names[uchar(bytes[0]) % std::size(names)]);
    ObserverFiles::FileHours read;
    try {
        try {
            read = ObserverFiles::parse(bytes.mid(1), name);
        } catch (const ObserverFiles::ENeedsOffset &) {
            // A table in local time without its zone: read again with one,
            // as the window and vexlor-fit do after asking.
            ObserverFiles::Options options;
            options.utcOffset = int(uchar(bytes[0]) % 27) - 12;
            read = ObserverFiles::parse(bytes.mid(1), name, 0, options);
        }
    } catch (const ObserverFiles::EImportError &e) {
        check(e.file() == name && e.line() >= 0, "a refusal names the file");
        return;
    }
    for (const ObserverFiles::Hour &h : read.hours) {
        check(h.date.isValid() && h.hour >= 0 && h.hour <= 23, "hours are real hours");
        for (const qint32 c : h.counts)
            check(c == ObserverFiles::Hour::NoCount || c >= 0, "counts are 0 or more");
    }
    // A file merged with itself gives its distinct hours, in time order.
    const size_t given = read.hours.size();
    std::vector<ObserverFiles::FileHours> twice{read, read};
    ObserverFiles::Merged merged;
    try {
        merged = ObserverFiles::merge(std::move(twice));
    } catch (const ObserverFiles::EImportError &) {
        return; // one hour twice in the file with other counts
    }
    check(merged.rows.size() <= given, "the merge adds no hours");
    check(merged.summary.hours == qsizetype(merged.rows.size()), "the summary counts the rows");
    GridModel grid;
    grid.replaceRows(merged.rows);
    // The Sum counts exported for the network import back into the same rows.
    std::vector<NetworkExport::File> files;
    try {
        files = NetworkExport::build(grid, 2, {{QStringLiteral("Observer"), QStringLiteral("F")}});
    } catch (const VexlorError &) {
        return; // a negative count, or a year the network's files cannot hold
    }
    std::vector<QString> expected;
    for (const GridRow &r : merged.rows)
        if (!r.cell(2).isEmpty())
            expected.push_back(r.cell(0) + u' ' + r.cell(1) + u' ' + r.cell(2));
    // Both kinds of file together, and the monthly tables alone (where 1111
    // must still read as a count).
    for (const bool tablesOnly : {false, true}) {
        std::vector<ObserverFiles::FileHours> back;
        for (const NetworkExport::File &f : files)
            if (!tablesOnly || f.name.endsWith(QLatin1String("rmob.TXT")))
                back.push_back(ObserverFiles::parse(f.bytes, f.name));
        const ObserverFiles::Merged again = ObserverFiles::merge(std::move(back));
        std::vector<QString> got;
        for (const GridRow &r : again.rows)
            got.push_back(r.cell(0) + u' ' + r.cell(1) + u' ' + r.cell(2));
        check(expected == got, "the network export imports back");
    }
}

void paste(const QByteArray &bytes)
{
    if (bytes.size() < 2)
        return;
    DateConv::setFormat(QStringLiteral("dd.MM.yyyy"));
    GridModel grid;
    grid.setRowCountWithHeader(4);
    grid.setCell(0, 1, QStringLiteral("01.02.2009"));
    grid.setCell(4, 3, QStringLiteral("7"));
    const int top = 1 + static_cast<unsigned char>(bytes[0]) % 5;
    const int left = static_cast<unsigned char>(bytes[1]) % 15;
    const QString text = QString::fromUtf8(bytes.mid(2));
    std::vector<GridRow> rows;
    std::optional<PasteBlock::Problem> problem;
    try {
        problem = PasteBlock::overlay(text, top, left, grid, rows);
    } catch (const VexlorError &) {
        return; // past the row cap: refused before any row is made
    }
    // The same answer as the cells parsed one list per line and checked.
    const std::vector<QStringList> cells = PasteBlock::parse(text);
    const std::optional<PasteBlock::Problem> expected = PasteBlock::check(cells, top, left);
    check(problem.has_value() == expected.has_value(), "paste: the same verdict as check()");
    if (problem) {
        check(problem->row == expected->row && problem->col == expected->col &&
                  problem->text == expected->text && problem->reason == expected->reason,
              "paste: the same first problem as check()");
        check(rows.empty(), "paste: nothing laid over on a problem");
        return;
    }
    check(rows.size() == cells.size(), "paste: a row per line");
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < GridModel::Columns; ++c) {
            const qsizetype k = c - left;
            const QString want = k >= 0 && k < cells[r].size()
                                     ? cells[r][k]
                                     : grid.cell(c, top + static_cast<int>(r));
            check(rows[r].cell(c) == want, "paste: every cell as pasted or as it stood");
        }
}

} // namespace Fuzz
