// A zip archive read with a cap on what it may unpack.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QIODevice;

class QuaZip;

// The entries of a workbook's zip archive. Every entry is read whole into
// memory, and all of them together may unpack to at most Budget bytes, so
// that a zip bomb ends with a failure instead of filling the memory.
class ZipArchive {
public:
    static constexpr qint64 Budget = 256LL * 1024 * 1024;

    // Throws EWorkbookError when the file is not a readable zip archive.
    explicit ZipArchive(const QString &path);
    // The same over bytes already in a device; shown names it in messages.
    ZipArchive(QIODevice *device, const QString &shown);
    ~ZipArchive();

    bool has(const QString &name) const { return m_names.contains(name); }
    // Throws EWorkbookError for a missing, encrypted, damaged or too large entry.
    QByteArray read(const QString &name);

private:
    QString m_shown;
    std::unique_ptr<QuaZip> m_zip;
    QStringList m_names;
    qint64 m_budget = Budget;
};
