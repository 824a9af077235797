// The settings file: INI sections and keys read and written in place.
#pragma once

#include <QString>

#include <memory>
#include <utility>
#include <vector>

// Reads and writes keys of one INI file the way the program's settings
// need it: section and key names match regardless of letter case, a value
// loses the blanks around it and one pair of enclosing quotes, and a write
// changes only the line of its key, leaving every other byte of the file as
// it was. An object reads the file once, at its first read, and answers
// every later read from that (copies share what it has read); a write
// always works on the file as it is then, and the next read reads it anew.
// A settings file that is not a regular file (a FIFO, a folder) or is larger
// than MaxFileSize is not read: reads give the defaults, writes fail with the
// reason.
//
// A write reads, changes and replaces the file holding a lock (flock) on
// the folder the file is in, so that writers in several copies of the
// program each change only their key. It writes a value so that a read
// gives it back as it was (in quotes where it has blanks at its ends or
// enclosing quotes), and refuses, with the reason, a value a read would not
// give back: longer than MaxValueLength, holding a line break, or holding
// letters the file's code page (Windows-1251 for a file that is not UTF-8)
// has not; and a write that would make the file larger than MaxFileSize.
class IniFile {
public:
    static constexpr int MaxValueLength = 2047;
    static constexpr qint64 MaxFileSize = 16LL * 1024 * 1024;
    // How long a write waits for another writer's lock.
    static constexpr int LockSeconds = 10;

    explicit IniFile(QString path) : m_path(std::move(path)) {}

    const QString &path() const { return m_path; }

    QString readString(const QString &section, const QString &key, const QString &def) const;
    // Decimal, or hexadecimal with "0x", "0X" or "$"; anything else gives def.
    int readInteger(const QString &section, const QString &key, int def) const;

    // Throws EIniFileError "Unable to write to <path>: <reason>" when the
    // file cannot be written. The file is replaced only once the new bytes
    // are on the disk, never left half-written.
    void writeString(const QString &section, const QString &key, const QString &value) const;
    void writeInteger(const QString &section, const QString &key, int value) const;
    // Several keys of one section in one write of the file, in order.
    void writeStrings(const QString &section,
                      const std::vector<std::pair<QString, QString>> &values) const;

private:
    struct Values;
    const Values &values() const;

    QString m_path;
    mutable std::shared_ptr<const Values> m_values;
};
