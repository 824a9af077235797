// The table's files.
#include "TableFiles.h"

#include "app/FileRead.h"
#include "files/SheetTable.h"
#include "files/TextFormat.h"
#include "files/workbook/Workbook.h"

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

Loaded load(const QStringList &paths)
{
    Loaded out;
    if (paths.size() == 1 && WorkbookFiles::looksLikeWorkbook(paths.front())) {
        out.rows = readWorkbook(paths.front());
        return out;
    }
    for (const QString &file : paths)
        if (WorkbookFiles::looksLikeWorkbook(file))
            throw VexlorError(
                QStringLiteral("%1 is a workbook: workbooks are read one at a time").arg(file));
    std::vector<ObserverFiles::FileHours> read;
    if (paths.size() == 1) {
        // A file of the own layout, or one that is no count file at all, is
        // read as Open (TXT) reads it, with its messages; UTF-16 text only
        // Import reads.
        QByteArray bytes;
        try {
            bytes = FileRead::wholeFile(paths.front(), TextFormat::MaxFileSize);
        } catch (const FileRead::EReadFailed &) {
            out.rows = readText(paths.front()); // fails with Open's message
            return out;
        }
        std::optional<ObserverFiles::Format> format;
        try {
            format = ObserverFiles::sniff(bytes, paths.front());
        } catch (const VexlorError &) {
        }
        const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
        if (!format || (*format == ObserverFiles::Format::Vexlor && !utf16)) {
            out.rows = TextFormat::parseText(bytes, paths.front());
            return out;
        }
        read.push_back(ObserverFiles::parse(bytes, paths.front()));
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
