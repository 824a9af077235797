// A zip archive read with a cap on what it may unpack.
#include "ZipArchive.h"

#include "Workbook.h"
#include "app/Progress.h"

#include <QDir>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

ZipArchive::ZipArchive(const QString &path)
    : m_shown(QDir::toNativeSeparators(path)), m_zip(std::make_unique<QuaZip>(path))
{
    if (!m_zip->open(QuaZip::mdUnzip))
        throw EWorkbookError(
            QStringLiteral("\"%1\" is damaged: it is not a readable zip archive").arg(m_shown));
    m_names = m_zip->getFileNameList();
}

ZipArchive::ZipArchive(QIODevice *device, const QString &shown)
    : m_shown(shown), m_zip(std::make_unique<QuaZip>(device))
{
    if (!m_zip->open(QuaZip::mdUnzip))
        throw EWorkbookError(
            QStringLiteral("\"%1\" is damaged: it is not a readable zip archive").arg(m_shown));
    m_names = m_zip->getFileNameList();
}

ZipArchive::~ZipArchive()
{
    m_zip->close();
}

QByteArray ZipArchive::read(const QString &name)
{
    auto damaged = [&](const QString &why) {
        return EWorkbookError(QStringLiteral("\"%1\" is damaged: %2").arg(m_shown, why));
    };
    if (!m_zip->setCurrentFile(name))
        throw damaged(QStringLiteral("the part %1 is missing").arg(name));
    QuaZipFileInfo64 info;
    if (!m_zip->getCurrentFileInfo(&info))
        throw damaged(QStringLiteral("the part %1 cannot be read").arg(name));
    if (info.flags & 1)
        throw EWorkbookError(QStringLiteral("\"%1\" is encrypted and cannot be read").arg(m_shown));
    if (static_cast<qint64>(info.uncompressedSize) > m_budget)
        throw EWorkbookError(QStringLiteral("\"%1\" unpacks to more than %2 MB and is not read")
                                 .arg(m_shown)
                                 .arg(Budget / (1024 * 1024)));
    QuaZipFile file(m_zip.get());
    if (!file.open(QIODevice::ReadOnly))
        throw damaged(QStringLiteral("the part %1 cannot be unpacked").arg(name));
    // The size in the archive may lie: count what really comes out.
    QByteArray bytes;
    bytes.reserve(
        static_cast<qsizetype>(std::min<quint64>(info.uncompressedSize, 64 * 1024 * 1024)));
    char buffer[65536];
    for (;;) {
        ThreadProgress::checkCancelled(); // a dropped read stops
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0)
            throw damaged(QStringLiteral("the part %1 cannot be unpacked").arg(name));
        if (n == 0)
            break;
        if (bytes.size() + n > m_budget)
            throw EWorkbookError(QStringLiteral("\"%1\" unpacks to more than %2 MB and is not read")
                                     .arg(m_shown)
                                     .arg(Budget / (1024 * 1024)));
        bytes.append(buffer, n);
    }
    file.close();
    if (file.getZipError() != UNZ_OK)
        throw damaged(QStringLiteral("the part %1 fails its check").arg(name));
    m_budget -= bytes.size();
    return bytes;
}
