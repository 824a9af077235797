// The table's files: the reader of each command, the choice among the
// readers by a file's content, and the writers of the Save commands.
#pragma once

#include "files/ObserverFiles.h"
#include "table/GridRow.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class GridModel;

namespace TableFiles {

// What Open (TXT) reads: a file of the program's own tab-separated layout.
// Throws EInOutError naming the file.
std::vector<GridRow> readText(const QString &path);
// What Open (XLS) reads: the active sheet of a workbook (xlsx, ods, xls).
// Throws EWorkbookError.
std::vector<GridRow> readWorkbook(const QString &path);
// What Import reads: observers' count files, each in the format its content
// shows, merged in time order. Throws ObserverFiles::EImportError.
ObserverFiles::Merged importCountFiles(const QStringList &paths,
                                       const ObserverFiles::Options &options = {});

// Whether bytes look like the program's own text layout as its Save writes
// it: the first line that is not empty is its header line ("Date<TAB>...").
// Open (TXT) passes over the first line whatever it holds, so a file whose
// first line is data (13 or 14 tab-separated fields without the header) is
// read as Import reads the own layout, which keeps that line.
bool looksLikeOwnLayout(const QByteArray &bytes);
// The same in two steps, for an import that puts files into chosen
// columns: every file read (nothing changes before all of them have), then
// the counts of file i moved into count column columns[i] (0 Sum, 1 to 10
// N1 to N10; -1, or no entry, leaves them as the file gives them) and all
// of them merged.
std::vector<ObserverFiles::FileHours> readCountFiles(const QStringList &paths,
                                                     const ObserverFiles::Options &options = {});
ObserverFiles::Merged mergeCountFiles(std::vector<ObserverFiles::FileHours> files,
                                      const std::vector<int> &columns);

// Which command's reader takes files given without a command (vexlor-fit's
// files, files dropped on the window or named on its command line): one
// workbook as Open (XLS) reads it; one file that begins with the own header
// line (UTF-8 or 8-bit) as Open (TXT) reads it; anything else as Import reads and
// merges it (and refuses it as Import does). Several files with a workbook
// among them throw VexlorError (workbooks are read one at a time).
enum class Reader { Text, Workbook, CountFiles };
Reader choose(const QStringList &paths);

// The table of files given without a command, as vexlor-fit gets them:
// one workbook as Open (XLS) reads it; one file that looks like the own
// layout (UTF-8 or 8-bit) as Open (TXT) reads it; anything else as Import
// reads and merges it (and refuses it as Import does). Workbooks are read one at a
// time. The file is read from disk once.
struct Loaded {
    std::vector<GridRow> rows;
    // The summary of an import, when the files were read as Import does.
    std::optional<ObserverFiles::Summary> imported;
    // The station each file names, when read into chosen columns.
    std::vector<ObserverFiles::StationInfo> stations;
};
// With columns (one per path, as mergeCountFiles takes them) every file is
// read as Import reads it.
Loaded load(const QStringList &paths, const ObserverFiles::Options &options = {},
            const std::vector<int> &columns = {});

// Writes the table as Save (XLS) does (an Office Open XML workbook, throws
// EWorkbookError) or as Save (TXT) does (the text layout, throws
// EInOutError); a failed save leaves an existing file as it was.
void save(const GridModel &grid, const QString &path, bool workbook);

} // namespace TableFiles
