// The settings file: INI sections and keys read and written in place.
#pragma once

#include <QString>

// Reads and writes keys of one INI file the way the program's settings
// need it: section and key names match regardless of letter case, a value
// loses the blanks around it and one pair of enclosing quotes, and a write
// changes only the line of its key, leaving every other byte of the file as
// it was. Every call opens and closes the file; nothing is cached.
class IniFile {
public:
    static constexpr int MaxValueLength = 2047;

    explicit IniFile(QString path) : m_path(std::move(path)) {}

    const QString &path() const { return m_path; }

    QString readString(const QString &section, const QString &key, const QString &def) const;
    // Decimal, or hexadecimal with "0x", "0X" or "$"; anything else gives def.
    int readInteger(const QString &section, const QString &key, int def) const;

    // Throws EIniFileError "Unable to write to <path>" when the file cannot
    // be written. The file is replaced atomically, never left half-written.
    void writeString(const QString &section, const QString &key, const QString &value) const;
    void writeInteger(const QString &section, const QString &key, int value) const;

private:
    QString m_path;
};
