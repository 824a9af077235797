// The program's settings in VEXLOR.ini.
#include "Settings.h"

#include "Colors.h"
#include "FileRead.h"
#include "SafeSave.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>
#include <stdexcept>
#include <string>

// Where an installation keeps its shipped files, relative to the folder of
// its programs; the build gives it from the install layout.
#ifndef VEXLOR_DATA_FROM_BIN
#define VEXLOR_DATA_FROM_BIN "../share/vexlor"
#endif

#include <QUrl>

#include <algorithm>

namespace {

const QString Self = QStringLiteral("self");
const QString StationSection = QStringLiteral("station");
const QString WindowSection = QStringLiteral("window");

QString recentKey(int n)
{
    return QStringLiteral("Recent%1").arg(n);
}

QString folderKey(const QString &command)
{
    return QStringLiteral("Folder") + command;
}

// A file name as the file keeps it: percent-encoded ASCII, the path's
// separators and common punctuation left readable.
QString encodePath(const QString &path)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(path, "/\\:~()_-.,+@"));
}

QString decodePath(const QString &value)
{
    return QUrl::fromPercentEncoding(value.toUtf8());
}

const QString ColumnsSection = QStringLiteral("columns");

QString columnKey(int column, const char *field)
{
    return (column == 0 ? QStringLiteral("Sum") : QStringLiteral("N%1").arg(column)) +
           QLatin1String(field);
}

// A place in decimal degrees, C locale; NaN for anything else.
double degreesOf(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : std::nan("");
}

QString degreesText(double v)
{
    return std::isfinite(v) ? QString::number(v, 'g', 12) : QString();
}

QString lineKey(int line)
{
    return QStringLiteral("SH%1").arg(line);
}

// The defaults of SH0 to SH3: blue, red, yellow and dark green.
constexpr std::array<int, Settings::Lines> DefaultLineColors = {Colors::Blue, Colors::Red,
                                                                Colors::Yellow, Colors::DarkGreen};

// Makes the folder and its missing parents, readable by the user alone as
// the XDG base directory rules ask for the configuration folder. A failure
// shows in the write that follows, with the system's reason.
void makeFolders(const QString &folder)
{
    const QFileInfo info(folder);
    const QString parent = info.absolutePath();
    if (info.exists() || parent == folder)
        return;
    makeFolders(parent);
    QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

EIniFileError writeFailed(const QString &path, const QString &reason)
{
    return EIniFileError(
        QStringLiteral("Unable to write to %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

Settings::Settings(const QString &path) : Settings(Location{path, QString()}) {}

Settings::Settings(const Location &location) : m_location(location), m_file(readPath())
{
    for (int line = 0; line < Lines; ++line)
        m_lineColors[static_cast<size_t>(line)] =
            Colors::fromValue(DefaultLineColors[static_cast<size_t>(line)]);
    m_background = Colors::fromValue(Colors::White);
    m_axisGrid = Colors::fromValue(Colors::Black);
}

QString Settings::pathIn(const QString &directory)
{
    return directory + QStringLiteral("/VEXLOR.ini");
}

QString Settings::portableMarker()
{
    return QStringLiteral("vexlor.portable");
}

Settings::Location Settings::locate(const QString &exeDir)
{
    const QString beside = pathIn(exeDir);
    const QFileInfo besideInfo(beside);
    const QString shipped = QDir::cleanPath(exeDir + u'/' + QStringLiteral(VEXLOR_DATA_FROM_BIN));
    // A file beside the program (also one that is a broken link or not a
    // file at all: its reads and writes say what is wrong with it), the
    // marker, or a program that was not installed: the settings stay here.
    if (besideInfo.exists() || besideInfo.isSymLink() ||
        QFileInfo::exists(exeDir + u'/' + portableMarker()) || !QFileInfo(shipped).isDir())
        return {beside, QString()};
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return {pathIn(config + QStringLiteral("/vexlor")), pathIn(shipped)};
}

QString Settings::readPath() const
{
    if (m_location.defaults.isEmpty() || QFileInfo::exists(m_location.file))
        return m_location.file;
    return m_location.defaults;
}

const IniFile &Settings::writable()
{
    const QString &file = m_location.file;
    if (!m_location.defaults.isEmpty() && !QFileInfo::exists(file)) {
        // The user's copy starts as the shipped file, so that the change
        // keeps every other setting and text the program showed so far.
        // Shipped defaults that cannot be read gave the built-in values,
        // and the copy starts empty as they do.
        std::optional<QByteArray> shipped;
        try {
            shipped = FileRead::wholeFile(m_location.defaults, IniFile::MaxFileSize);
        } catch (const FileRead::EReadFailed &) {
        }
        makeFolders(QFileInfo(file).absolutePath());
        if (shipped) {
            try {
                SafeSave::write(file, *shipped);
            } catch (const SafeSave::ESaveFailed &e) {
                throw writeFailed(file, e.reason());
            }
        }
    }
    if (m_file.path() != file)
        m_file = IniFile(file);
    return m_file;
}

void Settings::read()
{
    m_file = IniFile(readPath()); // a reading of the file as it is now
    m_language = m_file.readString(Self, QStringLiteral("Language"), QString());
    m_dateFormat = m_file.readString(Self, QStringLiteral("DateFormat"), QString());
    for (int line = 0; line < Lines; ++line)
        m_lineColors[static_cast<size_t>(line)] = Colors::fromValue(
            m_file.readInteger(Self, lineKey(line), DefaultLineColors[static_cast<size_t>(line)]));
    m_background =
        Colors::fromValue(m_file.readInteger(Self, QStringLiteral("GBC"), Colors::White));
    m_axisGrid = Colors::fromValue(m_file.readInteger(Self, QStringLiteral("GAGC"), Colors::Black));
    for (int c = 0; c < CountColumns; ++c) {
        ColumnStation &station = m_columnStations[static_cast<size_t>(c)];
        station.name = m_file.readString(ColumnsSection, columnKey(c, "Name"), QString());
        station.latitude =
            degreesOf(m_file.readString(ColumnsSection, columnKey(c, "Latitude"), QString()));
        station.longitude =
            degreesOf(m_file.readString(ColumnsSection, columnKey(c, "Longitude"), QString()));
    }

    m_recent.clear();
    for (int n = 1; n <= RecentCount; ++n) {
        const QString file = decodePath(m_file.readString(WindowSection, recentKey(n), QString()));
        if (!file.isEmpty() && !m_recent.contains(file))
            m_recent << file;
    }
    m_geometry = QByteArray::fromBase64(
        m_file.readString(WindowSection, QStringLiteral("Geometry"), QString()).toLatin1());
    m_windowState = QByteArray::fromBase64(
        m_file.readString(WindowSection, QStringLiteral("State"), QString()).toLatin1());
    m_page = std::max(0, m_file.readInteger(WindowSection, QStringLiteral("Page"), 0));
}

void Settings::setColumnStations(const std::map<int, ColumnStation> &stations)
{
    std::vector<std::pair<QString, QString>> values;
    for (const auto &[column, station] : stations) {
        if (column < 0 || column >= CountColumns)
            throw std::out_of_range("Settings: no count column " + std::to_string(column));
        values.emplace_back(columnKey(column, "Name"), station.name);
        values.emplace_back(columnKey(column, "Latitude"), degreesText(station.latitude));
        values.emplace_back(columnKey(column, "Longitude"), degreesText(station.longitude));
    }
    writable().writeStrings(ColumnsSection, values);
    for (const auto &[column, station] : stations)
        m_columnStations[static_cast<size_t>(column)] = station;
}

QString Settings::lastFolder(const QString &command) const
{
    return decodePath(m_file.readString(WindowSection, folderKey(command), QString()));
}

void Settings::setRecentFiles(const QStringList &files, const std::map<QString, QString> &folders)
{
    // A name longer than a value may be is not kept rather than kept cut.
    QStringList kept;
    std::vector<std::pair<QString, QString>> values;
    for (const QString &file : files) {
        const QString value = encodePath(file);
        if (kept.size() == RecentCount || value.size() > IniFile::MaxValueLength ||
            kept.contains(file))
            continue;
        kept << file;
        values.emplace_back(recentKey(int(kept.size())), value);
    }
    for (int n = int(kept.size()) + 1; n <= RecentCount; ++n)
        values.emplace_back(recentKey(n), QString());
    for (const auto &[command, folder] : folders)
        if (encodePath(folder).size() <= IniFile::MaxValueLength)
            values.emplace_back(folderKey(command), encodePath(folder));
    m_file.writeStrings(WindowSection, values);
    m_recent = kept;
}

void Settings::setWindowPlace(const QByteArray &geometry, const QByteArray &state, int page)
{
    m_file.writeStrings(WindowSection,
                        {{QStringLiteral("Geometry"), QString::fromLatin1(geometry.toBase64())},
                         {QStringLiteral("State"), QString::fromLatin1(state.toBase64())},
                         {QStringLiteral("Page"), QString::number(page)}});
    m_geometry = geometry;
    m_windowState = state;
    m_page = page;
}

Settings::Station Settings::station(const std::vector<QString> &fields) const
{
    Station out;
    for (const QString &field : fields)
        out[field] = m_file.readString(StationSection, field, QString());
    return out;
}

void Settings::setLanguage(const QString &code)
{
    writable().writeString(Self, QStringLiteral("Language"), code);
    m_language = code;
}

void Settings::setLineColor(int line, const QColor &color)
{
    writable().writeInteger(Self, lineKey(line), Colors::toValue(color));
    m_lineColors[static_cast<size_t>(line)] = color;
}

void Settings::setBackground(const QColor &color)
{
    writable().writeInteger(Self, QStringLiteral("GBC"), Colors::toValue(color));
    m_background = color;
}

void Settings::setAxisGrid(const QColor &color)
{
    writable().writeInteger(Self, QStringLiteral("GAGC"), Colors::toValue(color));
    m_axisGrid = color;
}

void Settings::setStationValue(const QString &field, const QString &value)
{
    writable().writeString(StationSection, field, value);
}
