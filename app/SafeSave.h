// The one way the program replaces a file: every save goes through it.
#pragma once

#include "app/Errors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class QImage;

namespace SafeSave {

// A save that did not happen; reason() is the system's reason in words
// ("No space left on device"), for the caller to put into its own message.
class ESaveFailed : public VexlorError {
public:
    explicit ESaveFailed(const QString &reason) : VexlorError(reason) {}
    QString reason() const { return text(); }
};

// The file a save to path replaces: path itself, or the file its symbolic
// links lead to (a link stays a link, as editors keep it). A link that leads
// nowhere names the file to create.
QString targetOf(const QString &path);

// Replaces the file at path (its link's target) by bytes: they go to a new
// file beside the target, written in full, synced to the disk and given the
// permissions of the file they replace, and only then renamed over it. On
// any failure the new file is removed, an existing file keeps every byte,
// and ESaveFailed carries the reason.
void write(const QString &path, const QByteArray &bytes);

// A set of files that belong together (the network's files of a month):
// either every one replaces its target or none does.
struct SetFile {
    QString path;
    QByteArray bytes;
};
// A set that was not written: the file that failed, the reason, and which
// of the set's files were and were not written (a set that fails before the
// renames writes none of them).
class ESetFailed : public ESaveFailed {
public:
    ESetFailed(const QString &file, const QString &reason, const QStringList &written,
               const QStringList &notWritten);
    QString file() const { return m_file; }
    QStringList written() const { return m_written; }
    QStringList notWritten() const { return m_notWritten; }

private:
    QString m_file;
    QStringList m_written, m_notWritten;
};
// Writes every file of the set to its temporary name, synced and checked,
// and renames them over their targets only when all are written; a rename
// that fails half-way puts back the files the earlier renames replaced.
// Throws ESetFailed.
void writeSet(const std::vector<SetFile> &files);

// The same as write, failing with EInOutError "Unable to write to <path>: <reason>",
// for the saves whose failure the general error box shows.
void writeOrFail(const QString &path, const QByteArray &bytes);

// A picture encoded in memory (format as QImageWriter names it, "PNG") and
// written by writeOrFail; a picture that cannot be encoded fails the same way.
void writeImageOrFail(const QString &path, const QImage &image, const char *format);

} // namespace SafeSave
