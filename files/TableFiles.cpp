// The table's files.
#include "TableFiles.h"

#include "app/FileRead.h"
#include "files/SheetTable.h"
#include "files/TextFormat.h"
#include "files/workbook/Workbook.h"

#include <algorithm>

namespace TableFiles {

bool looksLikeOwnLayout(const QByteArray &bytes)
{
    // The first line that holds more than blanks, up to its line end.
    qsizetype from = 0;
    while (from < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', from);
        if (end < 0)
            end = bytes.size();
        const QByteArray line = bytes.mid(from, std::min<qsizetype>(end - from, 64 * 1024));
        if (!line.trimmed().isEmpty())
            return line.startsWith("Date\t");
        from = end + 1;
    }
    return true; // an empty file: Open (TXT) gives an empty table
}

std::vector<GridRow> readText(const QString &path)
{
    return TextFormat::load(path);
}

std::vector<GridRow> readWorkbook(const QString &path)
{
    return SheetTable::load(path);
}

ObserverFiles::Merged importCountFiles(const QStringList &paths,
                                       const ObserverFiles::Options &options)
{
    return ObserverFiles::import(paths, options);
}

std::vector<ObserverFiles::FileHours> readCountFiles(const QStringList &paths,
                                                     const ObserverFiles::Options &options)
{
    std::vector<ObserverFiles::FileHours> files;
    files.reserve(size_t(paths.size()));
    qsizetype hours = 0; // the cap on hours holds over all the files
    for (const QString &path : paths) {
        files.push_back(ObserverFiles::read(path, hours, options));
        hours += qsizetype(files.back().hours.size());
    }
    return files;
}

ObserverFiles::Merged mergeCountFiles(std::vector<ObserverFiles::FileHours> files,
                                      const std::vector<int> &columns)
{
    for (size_t i = 0; i < files.size() && i < columns.size(); ++i)
        if (columns[i] >= 0)
            ObserverFiles::moveToColumn(files[i], columns[i]);
    return ObserverFiles::merge(std::move(files));
}

namespace {

// The choice of choose(); for a single file that is not a workbook, its
// bytes when they could be read, so that load() reads the file once.
Reader chooseReading(const QStringList &paths, std::optional<QByteArray> &bytes,
                     const ObserverFiles::Options &options)
{
    if (paths.size() == 1 && WorkbookFiles::looksLikeWorkbook(paths.front()))
        return Reader::Workbook;
    for (const QString &file : paths)
        if (WorkbookFiles::looksLikeWorkbook(file))
            throw VexlorError(
                QStringLiteral("%1 is a workbook: workbooks are read one at a time").arg(file));
    if (paths.size() != 1)
        return Reader::CountFiles;
    // A file of the own layout is read as Open (TXT) reads it, with its
    // messages; anything else (UTF-16 text too) as Import reads it, and
    // refused as Import refuses it: a file of another layout read as the
    // own one would give rows of junk without a word.
    try {
        bytes = FileRead::wholeFile(paths.front(), TextFormat::MaxFileSize);
    } catch (const FileRead::EReadFailed &) {
        return Reader::Text; // Open's reading fails with its own message
    }
    const bool utf16 = bytes->startsWith("\xFF\xFE") || bytes->startsWith("\xFE\xFF");
    if (!utf16 && !options.utcOffset && looksLikeOwnLayout(*bytes))
        return Reader::Text;
    return Reader::CountFiles;
}

} // namespace

Reader choose(const QStringList &paths)
{
    std::optional<QByteArray> bytes;
    return chooseReading(paths, bytes, {});
}

Loaded load(const QStringList &paths, const ObserverFiles::Options &options,
            const std::vector<int> &columns)
{
    Loaded out;
    if (std::any_of(columns.begin(), columns.end(), [](int c) { return c >= 0; })) {
        std::vector<ObserverFiles::FileHours> files = readCountFiles(paths, options);
        for (size_t i = 0; i < files.size(); ++i)
            out.stations.push_back(ObserverFiles::stationOf(files[i], paths[qsizetype(i)]));
        ObserverFiles::Merged merged = mergeCountFiles(std::move(files), columns);
        out.rows = std::move(merged.rows);
        out.imported = merged.summary;
        return out;
    }
    std::optional<QByteArray> bytes;
    switch (chooseReading(paths, bytes, options)) {
    case Reader::Workbook:
        out.rows = readWorkbook(paths.front());
        return out;
    case Reader::Text:
        out.rows = bytes ? TextFormat::parseText(*bytes, paths.front()) : readText(paths.front());
        return out;
    case Reader::CountFiles:
        break;
    }
    std::vector<ObserverFiles::FileHours> read;
    if (bytes) {
        read.push_back(ObserverFiles::parse(*bytes, paths.front(), 0, options));
    } else {
        qsizetype hours = 0; // the cap on hours holds over all the files
        for (const QString &file : paths) {
            read.push_back(ObserverFiles::read(file, hours, options));
            hours += qsizetype(read.back().hours.size());
        }
    }
    ObserverFiles::Merged merged = ObserverFiles::merge(std::move(read));
    out.rows = std::move(merged.rows);
    out.imported = merged.summary;
    return out;
}

void save(const GridModel &grid, const QString &path, bool workbook)
{
    if (workbook)
        SheetTable::save(grid, path);
    else
        TextFormat::save(grid, path);
}

} // namespace TableFiles
