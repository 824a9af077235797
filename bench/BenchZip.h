// An OpenDocument spreadsheet written from its content.xml, for the
// workbook benchmarks.
#pragma once

#include <QByteArray>
#include <QString>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

inline void writeOds(const QString &path, const QByteArray &content)
{
    QuaZip zip(path);
    zip.open(QuaZip::mdCreate);
    auto entry = [&](const char *name, const QByteArray &bytes) {
        QuaZipFile f(&zip);
        f.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::fromLatin1(name)));
        f.write(bytes);
    };
    entry("mimetype", "application/vnd.oasis.opendocument.spreadsheet");
    entry("content.xml", content);
    zip.close();
}
