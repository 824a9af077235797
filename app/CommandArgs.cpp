// The command line of the program's tools.
#include "CommandArgs.h"

#include "Errors.h"

#include <QFile>

namespace CommandArgs {

QStringList decode(int argc, const char *const *argv)
{
    QStringList out;
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        const QString text = QFile::decodeName(bytes);
        if (QFile::encodeName(text) != bytes) {
            const QString where =
                i > 1 && QByteArray(argv[i - 1]).startsWith("--")
                    ? QStringLiteral("the value of %1").arg(QString::fromUtf8(argv[i - 1]))
                    : QStringLiteral("argument %1").arg(i);
            throw VexlorError(
                QStringLiteral("%1, '%2', is not UTF-8 text: the program cannot take it "
                               "unchanged (as a file name it would name another file), so "
                               "nothing is read or written; rename the file or choose a name "
                               "of UTF-8 characters")
                    .arg(where, text));
        }
        out << text;
    }
    return out;
}

int wholeNumber(const QString &option, const QString &text, int min, int max)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < min || value > max)
        throw VexlorError(QStringLiteral("%1 takes a whole number from %2 to %3, not '%4'")
                              .arg(option)
                              .arg(min)
                              .arg(max)
                              .arg(text));
    return int(value);
}

} // namespace CommandArgs
