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

void write(const QString &path, const QByteArray &bytes)
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

    // Beside the target, so that the rename stays on one file system, and
    // named after it where the name leaves room: a name near the longest the
    // folder takes (255 bytes) gets a short temporary name instead, so that
    // every file that can exist can be saved.
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray name = target.mid(slash + 1);
    const long longest = ::pathconf(folder.constData(), _PC_NAME_MAX);
    const QByteArray suffix = ".vexlor-XXXXXX";
    Temporary tmp;
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
    if (::rename(tmp.path.constData(), target.constData()) != 0)
        fail(errno);
    tmp.path.clear();
    // The rename itself is made durable by syncing the folder.
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
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
