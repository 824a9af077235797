// The tab-separated observation file: reading and writing table rows.
#include "TextFormat.h"

#include "app/Errors.h"
#include "app/TextCodec.h"
#include "table/GridModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace TextFormat {

namespace {

QString describe(const QString &action, const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(action, QDir::toNativeSeparators(path), reason);
}

} // namespace

std::vector<GridRow> parse(const QByteArray &bytes)
{
    const QString text = TextCodec::decode(bytes).text;
    std::vector<GridRow> rows;
    std::vector<GridRow> pendingEmpty; // empty lines count only when data follows
    qsizetype pos = text.indexOf(u'\n');
    pos = pos < 0 ? text.size() : pos + 1; // line 0, the header, is skipped
    while (pos < text.size()) {
        qsizetype nl = text.indexOf(u'\n', pos);
        qsizetype end = nl < 0 ? text.size() : nl;
        QStringView line = QStringView(text).mid(pos, end - pos);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty()) {
            pendingEmpty.emplace_back();
        } else {
            for (auto &empty : pendingEmpty)
                rows.push_back(std::move(empty));
            pendingEmpty.clear();
            rows.push_back(GridRow::fromLine(line, u'\t'));
        }
        pos = end + 1;
    }
    if (rows.empty())
        rows.emplace_back();
    return rows;
}

std::vector<GridRow> read(QIODevice &device, const QString &name)
{
    QByteArray bytes = device.readAll();
    auto *file = qobject_cast<QFileDevice *>(&device);
    if (file && file->error() != QFileDevice::NoError)
        throw EInOutError(describe(QStringLiteral("read"), name, file->errorString()));
    // A text file holds no NUL byte; one that does is a picture, a program
    // or a workbook, not observations.
    if (bytes.contains('\0'))
        throw EInOutError(
            describe(QStringLiteral("read"), name, QStringLiteral("it is not a text file")));
    return parse(bytes);
}

QByteArray format(const GridModel &grid)
{
    QString out;
    out.reserve(64 * grid.rowCountWithHeader());
    out += QLatin1String(HeaderLine);
    out += QLatin1String("\r\n");
    for (int row = 1; row < grid.rowCountWithHeader(); ++row) {
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
        out += QLatin1String("\r\n");
    }
    return out.toUtf8();
}

std::vector<GridRow> load(const QString &path)
{
    if (QFileInfo(path).isDir())
        throw EInOutError(
            describe(QStringLiteral("open"), path, QStringLiteral("it is a directory")));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(describe(QStringLiteral("open"), path, file.errorString()));
    return read(file, path);
}

void save(const GridModel &grid, const QString &path)
{
    if (QFileInfo(path).isDir())
        throw EInOutError(
            describe(QStringLiteral("write"), path, QStringLiteral("it is a directory")));
    const QByteArray bytes = format(grid);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EInOutError(describe(QStringLiteral("write"), path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EInOutError(describe(QStringLiteral("write"), path, file.errorString()));
}

} // namespace TextFormat
