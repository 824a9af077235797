// The one way the program replaces a file: write, flush, check, sync, rename.
#include "SafeSave.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace SafeSave {

namespace {

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(int error)
{
    throw ESaveFailed(reasonOf(error));
}

// The folder part of a native path, "." for a bare name.
QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray resolveLinks(QByteArray path)
{
    // As the system does: a chain of links longer than 40 is a loop.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        QByteArray link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.constData(), link.data(), static_cast<size_t>(PATH_MAX));
        if (n <= 0 || n >= PATH_MAX)
            return path;
        link.truncate(n);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    fail(ELOOP);
}

// The mode a new file gets: what the process's umask leaves of rw-rw-rw-.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Owns the temporary file until it is renamed: any early exit removes it.
struct Temporary {
    QByteArray path;
    int fd = -1;
    ~Temporary()
    {
        if (fd >= 0)
            ::close(fd);
        if (!path.isEmpty())
            ::unlink(path.constData());
    }
};

void writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (n == 0)
            fail(EIO);
        p += n;
        left -= n;
    }
}

} // namespace

QString targetOf(const QString &path)
{
    return QFile::decodeName(resolveLinks(QFile::encodeName(path)));
}

namespace {

// A file written in full beside its target, synced and given its
// permissions, waiting to be renamed over the target.
struct Prepared {
    QByteArray target;
    QByteArray folder;
    bool existed = false;
    Temporary tmp;
};

void prepare(const QString &path, const QByteArray &bytes, Prepared &out)
{
    const QByteArray target = resolveLinks(QFile::encodeName(path));
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        throw ESaveFailed(QStringLiteral("it is a directory"));
    if (exists && !S_ISREG(old.st_mode))
        throw ESaveFailed(QStringLiteral("it is not a regular file"));
    const QByteArray folder = folderOf(target);
    struct stat dir {};
    if (::stat(folder.constData(), &dir) != 0 || !S_ISDIR(dir.st_mode))
        throw ESaveFailed(QStringLiteral("the folder %1 does not exist")
                              .arg(QDir::toNativeSeparators(QFile::decodeName(folder))));
    out.target = target;
    out.folder = folder;
    out.existed = exists;

    // Beside the target, so that the rename stays on one file system, and
    // named after it where the name leaves room: a name near the longest the
    // folder takes (255 bytes) gets a short temporary name instead, so that
    // every file that can exist can be saved.
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray name = target.mid(slash + 1);
    const long longest = ::pathconf(folder.constData(), _PC_NAME_MAX);
    const QByteArray suffix = ".vexlor-XXXXXX";
    Temporary &tmp = out.tmp;
    tmp.path =
        folder + '/' +
        (1 + name.size() + suffix.size() <= (longest > 0 ? longest : 255) ? '.' + name + suffix
                                                                          : suffix);
    tmp.fd = ::mkstemp(tmp.path.data());
    if (tmp.fd < 0) {
        const int error = errno;
        tmp.path.clear();
        fail(error);
    }
    writeAll(tmp.fd, bytes);
    // A full disk or a failing device shows here at the latest: nothing is
    // renamed before the bytes are known to be on the disk.
    if (::fsync(tmp.fd) != 0)
        fail(errno);
    if (::fchmod(tmp.fd, exists ? (old.st_mode & 07777) : newFileMode()) != 0)
        fail(errno);
    if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // The owner is kept where the system lets us; a save does not fail for it.
        const int kept = ::fchown(tmp.fd, old.st_uid, old.st_gid);
        static_cast<void>(kept);
    }
    const int fd = tmp.fd;
    tmp.fd = -1;
    if (::close(fd) != 0)
        fail(errno);
}

// The rename itself is made durable by syncing the folder.
void syncFolder(const QByteArray &folder)
{
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

void write(const QString &path, const QByteArray &bytes)
{
    Prepared p;
    prepare(path, bytes, p);
    if (::rename(p.tmp.path.constData(), p.target.constData()) != 0)
        fail(errno);
    p.tmp.path.clear();
    syncFolder(p.folder);
}

ESetFailed::ESetFailed(const QString &file, const QString &reason, const QStringList &written,
                       const QStringList &notWritten)
    : ESaveFailed(reason), m_file(file), m_written(written), m_notWritten(notWritten)
{
}

void writeSet(const std::vector<SetFile> &files)
{
    QStringList all;
    for (const SetFile &f : files)
        all << f.path;
    // Every file is written to its temporary name first: a failure here
    // leaves every target as it was.
    std::vector<Prepared> prepared(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        try {
            prepare(files[i].path, files[i].bytes, prepared[i]);
        } catch (const ESaveFailed &e) {
            throw ESetFailed(files[i].path, e.reason(), {}, all);
        }
    }
    // Then the renames. Each file that is replaced keeps a second name (a
    // hard link) until the set is in place, so that a rename that fails
    // half-way can put the earlier ones back.
    struct Done {
        QByteArray target, backup;
        bool existed = false;
    };
    std::vector<Done> done;
    const auto rollBack = [&] {
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            if (!it->backup.isEmpty())
                ::rename(it->backup.constData(), it->target.constData());
            else if (!it->existed)
                ::unlink(it->target.constData());
        }
    };
    const auto dropBackups = [&] {
        for (const Done &d : done)
            if (!d.backup.isEmpty())
                ::unlink(d.backup.constData());
    };
    for (size_t i = 0; i < prepared.size(); ++i) {
        Prepared &p = prepared[i];
        Done d{p.target, {}, p.existed};
        if (p.existed) {
            QByteArray backup = p.tmp.path;
            backup.chop(6);
            backup += "old-XXXXXX";
            // mkstemp reserves a free name; the link then takes its place.
            const int fd = ::mkstemp(backup.data());
            if (fd >= 0) {
                ::close(fd);
                ::unlink(backup.constData());
                if (::link(p.target.constData(), backup.constData()) == 0)
                    d.backup = backup;
            }
        }
        if (::rename(p.tmp.path.constData(), p.target.constData()) != 0) {
            const int error = errno;
            if (!d.backup.isEmpty())
                ::unlink(d.backup.constData());
            rollBack();
            // A target the roll-back could not give back is named as written.
            QStringList written;
            for (size_t k = 0; k < done.size(); ++k)
                if (done[k].existed && done[k].backup.isEmpty())
                    written << files[k].path;
            QStringList notWritten = all;
            for (const QString &w : written)
                notWritten.removeOne(w);
            dropBackups();
            throw ESetFailed(files[i].path, reasonOf(error), written, notWritten);
        }
        p.tmp.path.clear();
        done.push_back(d);
    }
    dropBackups();
    QList<QByteArray> folders;
    for (const Prepared &p : prepared)
        if (!folders.contains(p.folder))
            folders << p.folder;
    for (const QByteArray &folder : folders)
        syncFolder(folder);
}

void writeOrFail(const QString &path, const QByteArray &bytes)
{
    try {
        write(path, bytes);
    } catch (const ESaveFailed &e) {
        throw EInOutError(QStringLiteral("Unable to write to %1: %2")
                              .arg(QDir::toNativeSeparators(path), e.reason()));
    }
}

void writeImageOrFail(const QString &path, const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        throw EInOutError(
            QStringLiteral("Unable to write to %1: the picture could not be encoded").arg(path));
    writeOrFail(path, bytes);
}

} // namespace SafeSave
