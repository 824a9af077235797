// Reading the first sheet of an Excel 97-2003 workbook (xls) with FreeXL.
#include "Workbook.h"

#include <QDir>
#include <QFile>

#include <freexl.h>

namespace {

// FreeXL reports dates as "YYYY-MM-DD" texts.
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
        const QDate date =
            QDate::fromString(QString::fromUtf8(cell.value.text_value).left(10), Qt::ISODate);
        if (date.isValid()) {
            value.kind = CellValue::Kind::Date;
            value.number = serialOf(date);
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
