// The settings file: INI sections and keys read and written in place.
#include "IniFile.h"

#include "Convert.h"
#include "Errors.h"
#include "TextCodec.h"
#include "app/FileRead.h"
#include "app/SafeSave.h"

#include <QFileInfo>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <unistd.h>
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

Parsed parse(QByteArray bytes)
{
    Parsed p;
    p.bytes = std::move(bytes);
    p.encoding = TextCodec::decode(p.bytes).encoding;
    p.lines = splitLines(p.bytes);
    p.texts.reserve(p.lines.size());
    for (const Line &l : p.lines) {
        p.texts.push_back(TextCodec::decodeAs(p.bytes.mid(l.begin, l.end - l.begin), p.encoding));
    }
    return p;
}

// The file's bytes; nullopt when there is no file. Anything that cannot be
// read as a settings file (a folder, a FIFO, a file past MaxFileSize)
// throws FileRead::EReadFailed.
std::optional<QByteArray> readBytes(const QString &path)
{
    try {
        return FileRead::wholeFile(path, IniFile::MaxFileSize);
    } catch (const FileRead::EReadFailed &e) {
        if (e.error() == ENOENT || e.error() == ENOTDIR)
            return std::nullopt;
        throw;
    }
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

// Holds the lock of the folder that holds the settings file, for one read,
// change and rename. Two copies of the program (or two writers in one)
// writing settings at once would otherwise each replace the file with
// their own reading of it, and one key would be lost. The folder is locked,
// not the file: the file is replaced by every write, and a lock on the
// replaced file would guard nothing.
class FolderLock {
public:
    explicit FolderLock(const QString &path)
    {
        const QString folder = QFileInfo(SafeSave::targetOf(path)).absolutePath();
        m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0) {
            const int error = errno;
            throw FileRead::EReadFailed(error == ENOENT || error == ENOTDIR
                                            ? QStringLiteral("the folder %1 does not exist")
                                                  .arg(QDir::toNativeSeparators(folder))
                                            : QString::fromLocal8Bit(std::strerror(error)),
                                        error);
        }
        // Another writer holds it for a few milliseconds; one that holds it
        // for seconds is stuck, and the window must not wait for it.
        const QDeadlineTimer deadline(IniFile::LockSeconds * 1000);
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                ::close(m_fd);
                throw FileRead::EReadFailed(
                    QStringLiteral("another program has kept the settings file locked for more "
                                   "than %1 seconds")
                        .arg(IniFile::LockSeconds));
            }
            QThread::msleep(2);
        }
    }
    ~FolderLock() { ::close(m_fd); } // closing releases the lock
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    int m_fd = -1;
};

// A value as it is written: in quotes when reading would otherwise change
// it (blanks at its ends, or one pair of enclosing quotes, are taken off by
// every read).
QString writtenValue(const QString &value)
{
    const bool quotedAlready = value.size() >= 2 &&
                               (value.front() == u'"' || value.front() == u'\'') &&
                               value.back() == value.front();
    return value != value.trimmed() || quotedAlready ? u'"' + value + u'"' : value;
}

} // namespace

// What reads need of the file: the raw value of every key of the first
// section of each name, the first of each key, by case-folded names.
struct IniFile::Values {
    QHash<QString, QString> byName;
    static QString name(const QString &section, const QString &key)
    {
        return section.toCaseFolded() + u'\n' + key.toCaseFolded();
    }
};

const IniFile::Values &IniFile::values() const
{
    if (m_values)
        return *m_values;
    auto values = std::make_shared<Values>();
    std::optional<QByteArray> bytes;
    try {
        bytes = readBytes(m_path);
    } catch (const FileRead::EReadFailed &) {
        // Unreadable settings give the defaults, as missing ones do; the
        // first write reports why.
    }
    if (bytes) {
        const Parsed p = parse(std::move(*bytes));
        QSet<QString> seen; // sections met before: only the first counts
        QString current;
        bool taking = false;
        for (const QString &text : p.texts) {
            if (auto name = sectionName(text)) {
                current = name->toCaseFolded();
                taking = !seen.contains(current);
                seen.insert(current);
                continue;
            }
            if (!taking)
                continue;
            if (auto kv = keyValue(text)) {
                const QString name = current + u'\n' + kv->first.toCaseFolded();
                if (!values->byName.contains(name))
                    values->byName.insert(name, kv->second);
            }
        }
    }
    m_values = std::move(values);
    return *m_values;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    const auto &byName = values().byName;
    auto it = byName.constFind(Values::name(section, key));
    return it == byName.constEnd() ? def : cleanValue(*it);
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const
{
    int value = 0;
    return Convert::tryStrToInt(readString(section, key, QString()), &value) ? value : def;
}

namespace {

EIniFileError writeFailed(const QString &path, const QString &reason)
{
    return EIniFileError(
        QStringLiteral("Unable to write to %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

// The file's bytes with one key set: its line replaced, or added at the end
// of its section, or a new section at the end of the file.
QByteArray withValue(const Parsed &p, const QString &section, const QString &key,
                     const QString &value, const QString &path)
{
    auto failed = [&](const QString &reason) { return writeFailed(path, reason); };
    // What a read would not give back as it was is refused, not changed.
    if (value.size() > IniFile::MaxValueLength)
        throw failed(QStringLiteral("the value of %1 has %2 characters; a setting holds at "
                                    "most %3")
                         .arg(key)
                         .arg(value.size())
                         .arg(IniFile::MaxValueLength));
    if (value.contains(u'\n') || value.contains(u'\r'))
        throw failed(
            QStringLiteral("the value of %1 holds a line break; a setting is one line").arg(key));
    const QByteArray eol = lineEndOf(p);
    const QString keyText = key + u'=' + writtenValue(value);
    const QByteArray keyLine = TextCodec::encode(keyText, p.encoding);
    if (TextCodec::decodeAs(keyLine, p.encoding) != keyText)
        throw failed(
            p.encoding == TextCodec::Encoding::Windows1251
                ? QStringLiteral("the file is kept in the Windows-1251 code page, which "
                                 "has no letters for some of \"%1\"; use letters of "
                                 "Russian or English only, or save the file as UTF-8")
                      .arg(value)
                : QStringLiteral("the value of %1 holds a character that is not text").arg(key));
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
    return out;
}

} // namespace

void IniFile::writeString(const QString &section, const QString &key, const QString &value) const
{
    writeStrings(section, {{key, value}});
}

void IniFile::writeStrings(const QString &section,
                           const std::vector<std::pair<QString, QString>> &values) const
{
    auto failed = [&](const QString &reason) { return writeFailed(m_path, reason); };
    // Written from what the file holds now, never from what was read
    // before, and under the lock, so that no other writer's key is lost.
    m_values.reset();
    std::optional<FolderLock> lock;
    Parsed p;
    try {
        lock.emplace(m_path);
        if (auto bytes = readBytes(m_path))
            p = parse(std::move(*bytes));
    } catch (const FileRead::EReadFailed &e) {
        throw failed(e.reason()); // what cannot be read is not replaced
    }
    for (const auto &[key, value] : values)
        p = parse(withValue(p, section, key, value, m_path));

    if (p.bytes.size() > MaxFileSize)
        throw failed(QStringLiteral("the file would grow past %1 MB, more than the program reads")
                         .arg(FileRead::megabytes(MaxFileSize)));
    try {
        SafeSave::write(m_path, p.bytes);
    } catch (const SafeSave::ESaveFailed &e) {
        throw failed(e.reason());
    }
}

void IniFile::writeInteger(const QString &section, const QString &key, int value) const
{
    writeString(section, key, QString::number(value));
}
