// The one way the program reads a file from outside: without blocking, with
// a cap on its size, and with a reason in words when it cannot.
#pragma once

#include "app/Errors.h"

#include <QByteArray>
#include <QString>

namespace FileRead {

// A read that did not happen; reason() says why in words, for the caller
// to put into its own message.
class EReadFailed : public VexlorError {
public:
    explicit EReadFailed(const QString &reason, int error = 0) : VexlorError(reason), m_error(error)
    {
    }
    QString reason() const { return text(); }
    // The system's error number where the system refused, else 0.
    int error() const { return m_error; }

private:
    int m_error;
};

// The size of a regular file that may be read; throws EReadFailed for a
// missing file, a folder, a FIFO, a device or a socket (none of them is
// opened, so nothing blocks) and for a file larger than limit bytes.
qint64 checkFile(const QString &path, qint64 limit);

// The whole of a regular file of at most limit bytes, checked as above.
QByteArray wholeFile(const QString &path, qint64 limit);

// Why a file could not be opened, from the system's error number: its
// text, or for a name Qt could not decode (bytes that are not UTF-8, shown
// as U+FFFD) the advice to rename the file.
QString openFailure(const QString &path, int error);

// A size in whole megabytes, for the messages.
QString megabytes(qint64 bytes);

} // namespace FileRead
