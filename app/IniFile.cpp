// The settings file: INI sections and keys read and written in place.
#include "IniFile.h"

#include "Convert.h"
#include "Errors.h"
#include "TextCodec.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <optional>
#include <vector>

namespace {

// One line of the file as bytes, without its line end.
struct Line {
    qsizetype begin = 0; // offset of the first byte
    qsizetype end = 0;   // offset just past the last byte before CR LF / LF
    qsizetype next = 0;  // offset of the next line
};

std::vector<Line> splitLines(const QByteArray &bytes)
{
    std::vector<Line> lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype nl = bytes.indexOf('\n', pos);
        Line line;
        line.begin = pos;
        line.next = nl < 0 ? bytes.size() : nl + 1;
        line.end = nl < 0 ? bytes.size() : nl;
        if (line.end > line.begin && bytes[line.end - 1] == '\r')
            --line.end;
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

struct Parsed {
    QByteArray bytes;
    TextCodec::Encoding encoding = TextCodec::Encoding::Utf8;
    std::vector<Line> lines;
    std::vector<QString> texts; // each line decoded
};

std::optional<Parsed> load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Parsed p;
    p.bytes = file.readAll();
    p.encoding = TextCodec::decode(p.bytes).encoding;
    p.lines = splitLines(p.bytes);
    p.texts.reserve(p.lines.size());
    for (const Line &l : p.lines) {
        p.texts.push_back(TextCodec::decodeAs(p.bytes.mid(l.begin, l.end - l.begin), p.encoding));
    }
    return p;
}

// The name of a section header line, or nullopt for any other line.
std::optional<QString> sectionName(const QString &text)
{
    QString t = text.trimmed();
    if (!t.startsWith(u'['))
        return std::nullopt;
    qsizetype close = t.indexOf(u']');
    return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
}

// Splits "key=value"; nullopt for a line without '='.
std::optional<std::pair<QString, QString>> keyValue(const QString &text)
{
    qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    return std::make_pair(text.left(eq).trimmed(), text.mid(eq + 1));
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a section and a key stand in the file.
struct Place {
    std::optional<size_t> section;  // the section header line
    std::optional<size_t> key;      // the key's line in that section
    std::optional<size_t> lastItem; // the section's last non-blank line
};

Place find(const Parsed &p, const QString &section, const QString &key)
{
    Place place;
    bool inSection = false;
    for (size_t i = 0; i < p.texts.size(); ++i) {
        const QString &text = p.texts[i];
        if (auto name = sectionName(text)) {
            if (place.section && inSection)
                break; // the first matching section ends here
            inSection = sameName(*name, section);
            if (inSection) {
                place.section = i;
                place.lastItem = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!text.trimmed().isEmpty())
            place.lastItem = i;
        if (auto kv = keyValue(text); kv && sameName(kv->first, key) && !place.key)
            place.key = i;
    }
    return place;
}

QString cleanValue(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2) {
        QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    return value.left(IniFile::MaxValueLength);
}

// The line end the file uses, judged by its first line: LF alone, or CR LF
// (also for a file without any line end yet).
QByteArray lineEndOf(const Parsed &p)
{
    if (!p.lines.empty()) {
        const Line &l = p.lines.front();
        if (l.next > l.begin && p.bytes[l.next - 1] == '\n')
            return l.next >= 2 && p.bytes[l.next - 2] == '\r' ? "\r\n" : "\n";
    }
    return "\r\n";
}

// Ends the text with a line end; a lone CR at its end only lacks the LF.
void endLine(QByteArray &text, const QByteArray &eol)
{
    if (text.isEmpty() || text.endsWith('\n'))
        return;
    text += text.endsWith('\r') && eol == "\r\n" ? QByteArray("\n") : eol;
}

} // namespace

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    auto parsed = load(m_path);
    if (!parsed)
        return def;
    Place place = find(*parsed, section, key);
    if (!place.key)
        return def;
    return cleanValue(keyValue(parsed->texts[*place.key])->second);
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const
{
    int value = 0;
    return Convert::tryStrToInt(readString(section, key, QString()), &value) ? value : def;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value) const
{
    Parsed p;
    if (auto loaded = load(m_path))
        p = std::move(*loaded);

    const QByteArray eol = lineEndOf(p);
    const QByteArray keyLine = TextCodec::encode(key + u'=' + value, p.encoding);
    QByteArray out;
    Place place = find(p, section, key);
    if (place.key) {
        const Line &l = p.lines[*place.key];
        out = p.bytes.left(l.begin) + keyLine + p.bytes.mid(l.end);
    } else if (place.section) {
        const Line &l = p.lines[*place.lastItem];
        QByteArray head = p.bytes.left(l.next);
        endLine(head, eol); // the last line of the file may have had no line end
        out = head + keyLine + eol + p.bytes.mid(l.next);
    } else {
        out = p.bytes;
        endLine(out, eol);
        out += TextCodec::encode(u'[' + section + u']', p.encoding) + eol + keyLine + eol;
    }

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        throw EIniFileError(
            QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(m_path)));
}

void IniFile::writeInteger(const QString &section, const QString &key, int value) const
{
    writeString(section, key, QString::number(value));
}
