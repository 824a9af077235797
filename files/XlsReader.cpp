// Reading the first sheet of an Excel 97-2003 workbook (xls) with FreeXL.
#include "Workbook.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <optional>

#include <freexl.h>

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date, by arithmetic alone,
// so that it also counts a day such as 1900-02-29 or a year past 9999 that
// QDate refuses (H. Hinnant's days_from_civil).
qint64 daysFromCivil(qint64 y, qint64 m, qint64 d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The spreadsheet serial of FreeXL's "YYYY-MM-DD[ HH:MM:SS]" text. Serial 60
// is the day 1900-02-29 that spreadsheets count and the calendar has not.
std::optional<double> serialOfText(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4,})-(\\d{2})-(\\d{2})(?: (\\d{2}):(\\d{2}):(\\d{2}))?"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || m.captured(1).size() > 12)
        return std::nullopt;
    const qint64 y = m.captured(1).toLongLong();
    const int mo = m.captured(2).toInt(), d = m.captured(3).toInt();
    if (mo < 1 || mo > 12 || d < 1 || d > 31)
        return std::nullopt;
    const qint64 zero = daysFromCivil(1899, 12, 30);
    qint64 days = daysFromCivil(y, mo, d) - zero;
    if (y == 1900 && mo == 2 && d == 29)
        days = 60;
    double serial = static_cast<double>(days);
    if (m.hasCaptured(4))
        serial +=
            (m.captured(4).toInt() * 3600 + m.captured(5).toInt() * 60 + m.captured(6).toInt()) /
            86400.0;
    return serial;
}

// FreeXL reports dates as texts. One that the program cannot show as a date
// keeps its number, as the other readers show it, so that the cell is not
// empty and the rows after it are not lost.
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
        const QString text = QString::fromUtf8(cell.value.text_value);
        const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
        if (date.isValid()) {
            value.kind = CellValue::Kind::Date;
            value.number = serialOf(date);
        } else if (const auto serial = serialOfText(text)) {
            value.kind = CellValue::Kind::Number;
            value.number = *serial;
        } else {
            value.kind = CellValue::Kind::Text;
            value.text = text;
        }
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
