// A tmpfs of a few pages for tests of full disks (the tests run as root).
#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/mount.h>

// Mounted for one test; mounted() is false where mounting is not allowed.
class SmallDisk {
public:
    explicit SmallDisk(const char *size)
    {
        const QByteArray options = QByteArray("size=") + size;
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            options.constData()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // Takes every page that is left.
    void fill() const
    {
        QFile f(filePath(QStringLiteral("filler")));
        f.open(QIODevice::WriteOnly);
        const QByteArray block(4096, 'x');
        while (f.write(block) == block.size() && f.flush()) {
        }
    }
    // The files besides the filler: no temporary file may stay behind.
    QStringList files() const
    {
        QStringList names =
            QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        names.removeAll(QStringLiteral("filler"));
        return names;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
