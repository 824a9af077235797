// The table's files.
#include "TableFiles.h"

#include "app/FileRead.h"
#include "files/SheetTable.h"
#include "files/TextFormat.h"
#include "files/workbook/Workbook.h"

#include <algorithm>

namespace TableFiles {

std::vector<GridRow> readText(const QString &path)
{
    return TextFormat::load(path);
}

std::vector<GridRow> readWorkbook(const QString &path)
{
    return SheetTable::load(path);
}

ObserverFiles::Merged importCountFiles(const QStringList &paths)
{
    return ObserverFiles::import(paths);
}

std::vector<ObserverFiles::FileHours> readCountFiles(const QStringList &paths)
{
    std::vector<ObserverFiles::FileHours> files;
    files.reserve(size_t(paths.size()));
    qsizetype hours = 0; // the cap on hours holds over all the files
    for (const QString &path : paths) {
        files.push_back(ObserverFiles::read(path, hours));
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
Reader chooseReading(const QStringList &paths, std::optional<QByteArray> &bytes)
{
    if (paths.size() == 1 && WorkbookFiles::looksLikeWorkbook(paths.front()))
        return Reader::Workbook;
    for (const QString &file : paths)
        if (WorkbookFiles::looksLikeWorkbook(file))
            throw VexlorError(
                QStringLiteral("%1 is a workbook: workbooks are read one at a time").arg(file));
    if (paths.size() != 1)
        return Reader::CountFiles;
    // A file of the own layout, or one that is no count file at all, is
    // read as Open (TXT) reads it, with its messages; UTF-16 text only
    // Import reads.
    try {
        bytes = FileRead::wholeFile(paths.front(), TextFormat::MaxFileSize);
    } catch (const FileRead::EReadFailed &) {
        return Reader::Text; // Open's reading fails with its own message
    }
    std::optional<ObserverFiles::Format> format;
    try {
        format = ObserverFiles::sniff(*bytes, paths.front());
    } catch (const VexlorError &) {
    }
    const bool utf16 = bytes->startsWith("\xFF\xFE") || bytes->startsWith("\xFE\xFF");
    if (!format || (*format == ObserverFiles::Format::Vexlor && !utf16))
        return Reader::Text;
    return Reader::CountFiles;
}

} // namespace

Reader choose(const QStringList &paths)
{
    std::optional<QByteArray> bytes;
    return chooseReading(paths, bytes);
}

Loaded load(const QStringList &paths, const std::vector<int> &columns)
{
    Loaded out;
    if (std::any_of(columns.begin(), columns.end(), [](int c) { return c >= 0; })) {
        std::vector<ObserverFiles::FileHours> files = readCountFiles(paths);
        for (size_t i = 0; i < files.size(); ++i)
            out.stations.push_back(ObserverFiles::stationOf(files[i], paths[qsizetype(i)]));
        ObserverFiles::Merged merged = mergeCountFiles(std::move(files), columns);
        out.rows = std::move(merged.rows);
        out.imported = merged.summary;
        return out;
    }
    std::optional<QByteArray> bytes;
    switch (chooseReading(paths, bytes)) {
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
        read.push_back(ObserverFiles::parse(*bytes, paths.front()));
    } else {
        qsizetype hours = 0; // the cap on hours holds over all the files
        for (const QString &file : paths) {
            read.push_back(ObserverFiles::read(file, hours));
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
