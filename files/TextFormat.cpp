// The tab-separated observation file: reading and writing table rows.
#include "TextFormat.h"

#include "app/DateConv.h"
#include "app/Errors.h"
#include "app/FileRead.h"
#include "app/Progress.h"
#include "app/SafeSave.h"
#include "app/TextCodec.h"
#include "table/GridModel.h"
#include "table/HourMarks.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TextFormat {

namespace {

QString describe(const QString &action, const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(action, QDir::toNativeSeparators(path), reason);
}

} // namespace

qsizetype dataLines(const QByteArray &bytes)
{
    const qsizetype lines = bytes.count('\n') + (!bytes.isEmpty() && !bytes.endsWith('\n') ? 1 : 0);
    return std::max<qsizetype>(0, lines - 1);
}

std::vector<GridRow> parseText(const QByteArray &bytes, const QString &name)
{
    // A text file holds no NUL byte; one that does is a picture, a program
    // or a workbook, not observations.
    if (bytes.contains('\0'))
        throw EInOutError(
            describe(QStringLiteral("read"), name, QStringLiteral("it is not a text file")));
    // Lines are counted before any row is made: a file of nothing but line
    // ends must not turn into millions of rows. The header line is not
    // counted, so that the file of a full table, as save() writes it, opens.
    if (dataLines(bytes) > MaxRows)
        throw EInOutError(describe(QStringLiteral("read"), name,
                                   QStringLiteral("it holds more than %1 lines of data, more "
                                                  "than a table of observations can hold")
                                       .arg(MaxRows)));
    std::vector<GridRow> rows = parse(bytes);
    // A first line that holds data counts too.
    if (rows.size() > size_t(MaxRows))
        throw EInOutError(describe(QStringLiteral("read"), name,
                                   QStringLiteral("it holds more than %1 lines of data, more "
                                                  "than a table of observations can hold")
                                       .arg(MaxRows)));
    return rows;
}

namespace {

// The first line is the header the program writes ("Date", "", "Hour",
// "Sum", "N1" ...) unless one of its fields is a date or a whole number: a
// file written without the header keeps its first row.
bool isHeaderLine(QStringView line)
{
    for (const QStringView field : line.split(u'\t')) {
        const QStringView f = field.trimmed();
        if (f.isEmpty())
            continue;
        bool number = false;
        static_cast<void>(f.toLongLong(&number));
        if (number || DateConv::fromText(f.toString()) ||
            QDate::fromString(f.toString(), QStringLiteral("yyyy-MM-dd")).isValid())
            return false;
    }
    return true;
}

} // namespace

std::vector<GridRow> parse(const QByteArray &bytes)
{
    const qsizetype lines = bytes.count('\n') + 1;
    const QString text = TextCodec::decode(bytes).text;
    std::vector<GridRow> rows;
    rows.reserve(static_cast<size_t>(lines));
    size_t pendingEmpty = 0; // empty lines count only when data follows
    qsizetype pos = text.indexOf(u'\n');
    QStringView first = QStringView(text).left(pos < 0 ? text.size() : pos);
    if (first.endsWith(u'\r'))
        first.chop(1);
    if (isHeaderLine(first))
        pos = pos < 0 ? text.size() : pos + 1; // the header is passed over
    else
        pos = 0;
    unsigned polled = 0;
    while (pos < text.size()) {
        ThreadProgress::checkCancelledEvery(polled); // a dropped read stops
        qsizetype nl = text.indexOf(u'\n', pos);
        qsizetype end = nl < 0 ? text.size() : nl;
        QStringView line = QStringView(text).mid(pos, end - pos);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty()) {
            ++pendingEmpty;
        } else {
            rows.resize(rows.size() + pendingEmpty);
            pendingEmpty = 0;
            rows.push_back(GridRow::fromLine(line, u'\t'));
        }
        pos = end + 1;
    }
    if (rows.empty())
        rows.emplace_back();
    rows.shrink_to_fit();
    return rows;
}

std::vector<GridRow> read(QIODevice &device, const QString &name)
{
    QByteArray bytes = device.read(MaxFileSize + 1);
    auto *file = qobject_cast<QFileDevice *>(&device);
    if (file && file->error() != QFileDevice::NoError)
        throw EInOutError(describe(QStringLiteral("read"), name, file->errorString()));
    if (bytes.size() > MaxFileSize)
        throw EInOutError(describe(QStringLiteral("read"), name,
                                   QStringLiteral("it is larger than %1 MB, more than the "
                                                  "program reads")
                                       .arg(FileRead::megabytes(MaxFileSize))));
    return parseText(bytes, name);
}

QByteArray format(const GridModel &grid)
{
    QString out;
    out.reserve(64 * grid.rowCountWithHeader());
    out += QLatin1String(HeaderLine);
    out += QLatin1String("\r\n");
    unsigned polled = 0;
    for (int row = 1; row < grid.rowCountWithHeader(); ++row) {
        ThreadProgress::checkCancelledEvery(polled); // a dropped save stops
        for (int col = 0; col < WrittenColumns; ++col) {
            if (col > 0)
                out += u'\t';
            const qsizetype start = out.size();
            out += grid.cellView(col, row);
            for (qsizetype i = start; i < out.size(); ++i) {
                QChar c = out.at(i);
                if (c == u'\t' || c == u'\r' || c == u'\n')
                    out[i] = u' ';
            }
        }
        // A marked hour's mark as a 14th field, which Open puts back into
        // the filler column and readers of 13 fields pass over.
        if (const QStringView mark = grid.cellView(HourMarks::Column, row);
            HourMarks::isMark(mark)) {
            out += u'\t';
            const qsizetype start = out.size();
            out += mark.trimmed();
            for (qsizetype i = start; i < out.size(); ++i)
                if (out.at(i) == u'\t' || out.at(i) == u'\r' || out.at(i) == u'\n')
                    out[i] = u' ';
        }
        out += QLatin1String("\r\n");
    }
    return out.toUtf8();
}

std::vector<GridRow> load(const QString &path)
{
    QByteArray bytes;
    try {
        bytes = FileRead::wholeFile(path, MaxFileSize);
    } catch (const FileRead::EReadFailed &e) {
        throw EInOutError(describe(QStringLiteral("open"), path, e.reason()));
    }
    return parseText(bytes, path);
}

void save(const GridModel &grid, const QString &path)
{
    if (QFileInfo(path).isDir())
        throw EInOutError(
            describe(QStringLiteral("write"), path, QStringLiteral("it is a directory")));
    // Nothing is written that Open would then refuse.
    if (grid.rowCountWithHeader() - 1 > MaxRows)
        throw EInOutError(describe(QStringLiteral("write"), path,
                                   QStringLiteral("the table has more than %1 rows, more than "
                                                  "the program opens")
                                       .arg(MaxRows)));
    const QByteArray bytes = format(grid);
    if (bytes.size() > MaxFileSize)
        throw EInOutError(describe(QStringLiteral("write"), path,
                                   QStringLiteral("the file would be larger than %1 MB, more "
                                                  "than the program opens")
                                       .arg(FileRead::megabytes(MaxFileSize))));
    try {
        SafeSave::write(path, bytes);
    } catch (const SafeSave::ESaveFailed &e) {
        throw EInOutError(describe(QStringLiteral("write"), path, e.reason()));
    }
}

} // namespace TextFormat
