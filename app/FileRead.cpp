// The one way the program reads a file from outside.
#include "FileRead.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileRead {

namespace {

struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Opens without blocking: a FIFO opened for reading would otherwise wait
// for a writer forever. What was opened is then looked at through the
// descriptor itself, so nothing can be swapped in between.
qint64 openChecked(const QString &path, qint64 limit, Descriptor &file)
{
    const QByteArray name = QFile::encodeName(path);
    file.fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0) {
        const int error = errno;
        throw EReadFailed(openFailure(path, error), error);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        throw EReadFailed(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(st.st_mode))
        throw EReadFailed(QStringLiteral("it is a directory"));
    if (!S_ISREG(st.st_mode))
        throw EReadFailed(QStringLiteral("it is not a regular file"));
    if (st.st_size > limit)
        throw EReadFailed(QStringLiteral("it is larger than %1 MB, more than the program reads")
                              .arg(megabytes(limit)));
    return st.st_size;
}

} // namespace

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

QString openFailure(const QString &path, int error)
{
    if (error == ENOENT && path.contains(QChar::ReplacementCharacter))
        return QStringLiteral("its name holds characters that are not UTF-8, which the program "
                              "cannot pass back to the system; rename the file and open it again");
    return QString::fromLocal8Bit(std::strerror(error));
}

qint64 checkFile(const QString &path, qint64 limit)
{
    Descriptor file;
    return openChecked(path, limit, file);
}

QByteArray wholeFile(const QString &path, qint64 limit)
{
    Descriptor file;
    const qint64 size = openChecked(path, limit, file);
    QByteArray bytes;
    bytes.resize(size);
    qint64 done = 0;
    // Read to the end, and no further than the limit if the file grows.
    while (true) {
        if (done == bytes.size()) {
            if (bytes.size() >= limit + 1)
                break;
            bytes.resize(std::min<qint64>(limit + 1, bytes.size() + 64 * 1024));
        }
        const ssize_t n =
            ::read(file.fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EReadFailed(QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (n == 0)
            break;
        done += n;
    }
    if (done > limit)
        throw EReadFailed(QStringLiteral("it is larger than %1 MB, more than the program reads")
                              .arg(megabytes(limit)));
    bytes.truncate(done);
    return bytes;
}

} // namespace FileRead
