// Reading the first sheet of an Excel 97-2003 workbook (xls) with FreeXL.
#include "Workbook.h"

#include "FileRead.h"
#include "XlsScan.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cmath>
#include <optional>

#include <freexl.h>

namespace {

// The serial of a date as FreeXL writes it. FreeXL counts from serial 1 =
// 1900-01-01 with a leap day in every fourth year, 1900 and 2100 included:
// up to 2100-02-28 its dates are the calendar's (and 1900-02-29 is the
// spreadsheets' serial 60), from there on they drift from the calendar by a
// day a century. Counting the same way back gives the cell's exact serial.
std::optional<double> serialOfFreeXl(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4,9})-(\\d{2})-(\\d{2})(?: (\\d{2}):(\\d{2}):(\\d{2}))?"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const qint64 y = m.captured(1).toLongLong();
    const int month = m.captured(2).toInt(), day = m.captured(3).toInt();
    if (y < 1900 || month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    static constexpr int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    qint64 days = (y - 1900) * 365 + ((y - 1) / 4 - 1899 / 4) + before[month - 1] + day;
    if (y % 4 == 0 && month > 2)
        ++days;
    double serial = static_cast<double>(days);
    if (m.hasCaptured(4))
        serial +=
            (m.captured(4).toInt() * 3600 + m.captured(5).toInt() * 60 + m.captured(6).toInt()) /
            86400.0;
    return serial;
}

// A date cell as the program shows dates. Up to 2100-02-28 FreeXL's date
// is taken as it stands; serial 60, a day the calendar has not, shows as its
// number; later dates, where FreeXL's calendar is off, are taken by their
// serial, which shows as a date or, past what a date can show, as its
// number, as the other readers show them. No date cell ends up empty, which
// would end the table there.
CellValue dateCell(const QString &text)
{
    CellValue value;
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    if (date.isValid() && date < QDate(2100, 3, 1)) {
        value.kind = CellValue::Kind::Date;
        value.number = serialOf(date);
    } else if (const auto serial = serialOfFreeXl(text)) {
        value.kind = std::floor(*serial) == 60 ? CellValue::Kind::Number : CellValue::Kind::Date;
        value.number = *serial;
    } else {
        value.kind = CellValue::Kind::Text;
        value.text = text;
    }
    return value;
}

CellValue fromFreeXl(const FreeXL_CellValue &cell)
{
    CellValue value;
    switch (cell.type) {
    case FREEXL_CELL_INT:
        value.kind = CellValue::Kind::Number;
        value.number = cell.value.int_value;
        break;
    case FREEXL_CELL_DOUBLE:
        value.kind = CellValue::Kind::Number;
        value.number = cell.value.double_value;
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        value.kind = CellValue::Kind::Text;
        value.text = QString::fromUtf8(cell.value.text_value);
        break;
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME: {
        value = dateCell(QString::fromUtf8(cell.value.text_value));
        break;
    }
    case FREEXL_CELL_TIME:
        value.kind = CellValue::Kind::Text;
        value.text = QString::fromUtf8(cell.value.text_value);
        break;
    default:
        break;
    }
    return value;
}

} // namespace

void WorkbookFiles::readXls(const QString &path, Worksheet &sheet)
{
    const QString shown = QDir::toNativeSeparators(path);
    try {
        XlsScan::check(FileRead::wholeFile(path, WorkbookFiles::MaxFileSize), path);
    } catch (const FileRead::EReadFailed &e) {
        throw EWorkbookError(QStringLiteral("\"%1\" cannot be opened: %2").arg(shown, e.reason()));
    }
    const void *handle = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (freexl_open(name.constData(), &handle) != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        throw EWorkbookError(
            QStringLiteral("\"%1\" is damaged or not an Excel 97-2003 workbook").arg(shown));
    }
    struct Closer {
        const void *h;
        ~Closer() { freexl_close(h); }
    } closer{handle};

    unsigned int password = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED)
        throw EWorkbookError(QStringLiteral("\"%1\" is encrypted and cannot be read").arg(shown));
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK)
        throw EWorkbookError(
            QStringLiteral("\"%1\" is damaged: the first sheet cannot be read").arg(shown));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK)
        throw EWorkbookError(
            QStringLiteral("\"%1\" is damaged: the first sheet cannot be read").arg(shown));
    rows = std::min<unsigned int>(rows, Worksheet::MaxRows);
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, c, &cell) != FREEXL_OK)
                throw EWorkbookError(
                    QStringLiteral("\"%1\" is damaged: a cell cannot be read").arg(shown));
            CellValue value = fromFreeXl(cell);
            if (value.kind != CellValue::Kind::Empty)
                sheet.setValue(static_cast<int>(r) + 1, c + 1, std::move(value));
        }
    }
}
