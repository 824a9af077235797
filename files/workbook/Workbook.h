// The workbook component: a spreadsheet application object without an
// application behind it, with workbooks, an active sheet, cells, SaveAs and
// Quit, reading and writing the workbook files itself.
#pragma once

#include "app/Errors.h"

#include <QDate>
#include <QString>

#include <memory>

class QIODevice;
class ZipArchive;
#include <unordered_map>
#include <vector>

// The component's failure, with a description in plain words; it stands
// where a spreadsheet server would report an automation exception.
class EWorkbookError : public VexlorError {
public:
    using VexlorError::VexlorError;
};

// One cell's value as a spreadsheet holds it.
struct CellValue {
    enum class Kind { Empty, Text, Number, Date, Boolean, Error, Time, DateTime };
    Kind kind = Kind::Empty;
    QString text;      // Text and Error
    double number = 0; // Number, Boolean (0 or 1), Date, Time and DateTime
                       // (days since 1899-12-30, the time of day as a fraction)
    // Time and DateTime: how the format shows the time, "h:mm" or "hh:mm",
    // with or without ":ss".
    bool twoDigitHours = false;
    bool seconds = false;
};

// "AB12" for row 12, column 28 (counted from 1), as spreadsheets name cells.
QString cellReference(int row, int col);

// The refusal of a workbook whose formula cell holds no stored value: read
// as empty, a count would silently become 0.
EWorkbookError uncachedFormula(const QString &path, int row, int col, const QString &sheet,
                               const QString &formula);

// A value of one of the date or time kinds, by what its format shows.
CellValue dateTimeValue(double serial, bool date, bool time, bool twoDigitHours, bool seconds);

// Whole days counted as spreadsheets count them, from 30 December 1899.
double serialOf(const QDate &date);
QDate dateOfSerial(double serial);

// A cell's value as a spreadsheet shows it: whole numbers without decimals,
// other numbers in their shortest exact form with the decimal separator of
// the program's number conversion, dates in the program's date format, times
// of day as the cell's format shows them ("5:00", "05:00:00"), a date with a
// time as the date, a blank and the time, booleans TRUE and FALSE, text as
// it stands, an empty cell empty.
QString cellText(const CellValue &value);

// A typed value from a text, as a spreadsheet takes a typed entry: a whole
// number becomes a number and a date in the program's date format a date,
// when the value shows as the very same text again; anything else is text.
CellValue typedValue(const QString &text);

class Worksheet {
public:
    // Rows and columns count from 1.
    QString Cells(int row, int col) const;
    const CellValue *value(int row, int col) const;
    void setCells(int row, int col, const QString &text); // typed as above
    void setCells(int row, int col, double number);
    // Stores the text as text, whatever it reads as.
    void setText(int row, int col, const QString &text);
    void setValue(int row, int col, CellValue value);

    int lastRow() const { return m_lastRow; }
    int lastColumn() const { return m_lastColumn; }
    size_t cellCount() const { return m_cells.size(); }

    // The largest sheet the component holds: as many rows as Excel has.
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;
    // Cells one sheet may hold: some 150 000 rows of the program's 13
    // columns, a few hundred megabytes at most.
    static constexpr size_t MaxCells = 2000000;
    // The text all cells together may hold, in characters: 256 MB, as much
    // as a workbook may unpack to. Repeated cells count once per cell, as
    // the table will hold them, though the sheet shares their text.
    static constexpr qint64 MaxText = 128LL * 1024 * 1024;
    // One cell's text, and how deeply its elements may nest in the file.
    static constexpr qsizetype MaxCellText = 1024 * 1024;
    static constexpr int MaxTextDepth = 256;

private:
    static quint64 key(int row, int col) { return quint64(row) * MaxColumns + quint64(col - 1); }
    std::unordered_map<quint64, CellValue> m_cells;
    qint64 m_text = 0; // characters of text in all cells
    int m_lastRow = 0;
    int m_lastColumn = 0;
};

class Workbook {
public:
    Worksheet &ActiveSheet() { return m_sheet; }
    // Writes the workbook under exactly this name as an Office Open XML
    // workbook, whatever the name's extension; a failed save leaves an
    // existing file as it was.
    void SaveAs(const QString &fileName);

private:
    Worksheet m_sheet;
};

class Workbooks {
public:
    // A new, empty workbook; it becomes the active one.
    Workbook &Add();
    // A new workbook made from a file, whose format is found by its content;
    // the file itself is not changed.
    Workbook &Add(const QString &fileName);
    Workbook *active() { return m_books.empty() ? nullptr : m_books.back().get(); }

private:
    std::vector<std::unique_ptr<Workbook>> m_books;
};

class WorkbookApplication {
public:
    // The component has no window to show: the automation interface's call
    // is taken and changes nothing.
    void setVisible(bool) {}
    Workbooks &workbooks() { return m_workbooks; }
    Workbook &ActiveWorkbook();
    // Ends the application: its workbooks are gone.
    void Quit() { m_workbooks = Workbooks(); }

private:
    Workbooks m_workbooks;
};

// The file formats underneath.
namespace WorkbookFiles {
// The largest workbook file that is read, as large as all it may unpack to.
inline constexpr qint64 MaxFileSize = 512LL * 1024 * 1024;
// How long the reader of Excel 97-2003 files may take before it is stopped.
inline constexpr int XlsSeconds = 30;
// Reads the sheet an xlsx/xlsm, ods or xls file opens at (its active sheet).
void read(const QString &path, Worksheet &sheet);
// An xlsx/xlsm or ods file, told apart by the entries of the zip archive.
void readZipWorkbook(const QString &path, Worksheet &sheet);
void readZipWorkbook(QIODevice &device, const QString &name, Worksheet &sheet);
void readZipWorkbook(ZipArchive &zip, const QString &path, Worksheet &sheet);
// The sheet of an OpenDocument spreadsheet's content.xml named activeTable,
// or its first sheet when none is.
void readOdsContent(const QByteArray &content, const QString &path, Worksheet &sheet,
                    const QString &activeTable = {});
// The name of the sheet an OpenDocument spreadsheet opens at, from its
// settings.xml; empty when it does not say.
QString odsActiveTable(const QByteArray &settings);
void readXls(const QString &path, Worksheet &sheet);
void writeXlsx(const Worksheet &sheet, const QString &path);
// True when the file's first bytes are those of a workbook (zip or OLE2).
bool looksLikeWorkbook(const QString &path);
} // namespace WorkbookFiles
