// The workbook component: application object, workbooks, sheet and cells.
#include "Workbook.h"

#include "app/DateConv.h"
#include "app/FileRead.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <cerrno>
#include <cmath>

namespace {
const QDate SerialZero(1899, 12, 30);
}

double serialOf(const QDate &date)
{
    return static_cast<double>(SerialZero.daysTo(date));
}

QDate dateOfSerial(double serial)
{
    return SerialZero.addDays(static_cast<qint64>(std::floor(serial)));
}

QString cellReference(int row, int col)
{
    QString letters;
    for (int c = col; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

EWorkbookError uncachedFormula(const QString &path, int row, int col, const QString &sheet,
                               const QString &formula)
{
    QString text = formula.startsWith(QLatin1String("of:")) ? formula.mid(3) : formula;
    if (!text.startsWith(u'='))
        text.prepend(u'=');
    return EWorkbookError(
        QStringLiteral("\"%1\" cannot be read: the cell %2 of the sheet \"%3\" holds the "
                       "formula %4 without its value. Open the workbook in a spreadsheet "
                       "program and save it once, so that the values are stored with the "
                       "formulas, then open it again.")
            .arg(QDir::toNativeSeparators(path), cellReference(row, col), sheet, text));
}

CellValue dateTimeValue(double serial, bool date, bool time, bool twoDigitHours, bool seconds)
{
    CellValue value;
    value.kind =
        !time ? CellValue::Kind::Date : (date ? CellValue::Kind::DateTime : CellValue::Kind::Time);
    value.number = serial;
    value.twoDigitHours = twoDigitHours;
    value.seconds = seconds;
    return value;
}

namespace {

// The time of day of a serial, rounded to the second, as "h:mm[:ss]".
QString timeOfDay(qint64 secondsOfDay, const CellValue &value)
{
    const qint64 h = secondsOfDay / 3600, m = secondsOfDay / 60 % 60, s = secondsOfDay % 60;
    QString text = QStringLiteral("%1:%2")
                       .arg(h, value.twoDigitHours ? 2 : 1, 10, QLatin1Char('0'))
                       .arg(m, 2, 10, QLatin1Char('0'));
    if (value.seconds)
        text += QStringLiteral(":%1").arg(s, 2, 10, QLatin1Char('0'));
    return text;
}

} // namespace

QString cellText(const CellValue &value)
{
    switch (value.kind) {
    case CellValue::Kind::Empty:
        return {};
    case CellValue::Kind::Text:
    case CellValue::Kind::Error:
        return value.text;
    case CellValue::Kind::Boolean:
        return value.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case CellValue::Kind::Date:
        if (std::isfinite(value.number) && std::fabs(value.number) < 3e6)
            return DateConv::toText(dateOfSerial(value.number));
        break;
    case CellValue::Kind::Time:
    case CellValue::Kind::DateTime:
        if (std::isfinite(value.number) && std::fabs(value.number) < 3e6) {
            const qint64 total = std::llround(value.number * 86400);
            const qint64 days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
            const QString time = timeOfDay(total - days * 86400, value);
            if (value.kind == CellValue::Kind::Time)
                return time;
            return DateConv::toText(dateOfSerial(static_cast<double>(days))) + u' ' + time;
        }
        break;
    case CellValue::Kind::Number:
        break;
    }
    const double v = value.number;
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return DateConv::decimalText(v);
}

CellValue typedValue(const QString &text)
{
    CellValue value;
    if (text.isEmpty())
        return value;
    bool ok = false;
    const qlonglong whole = text.toLongLong(&ok);
    if (ok && QString::number(whole) == text && std::llabs(whole) < (1LL << 53)) {
        value.kind = CellValue::Kind::Number;
        value.number = static_cast<double>(whole);
        return value;
    }
    if (auto date = DateConv::fromText(text); date && DateConv::toText(*date) == text) {
        value.kind = CellValue::Kind::Date;
        value.number = serialOf(*date);
        return value;
    }
    value.kind = CellValue::Kind::Text;
    value.text = text;
    return value;
}

QString Worksheet::Cells(int row, int col) const
{
    const CellValue *v = value(row, col);
    return v ? cellText(*v) : QString();
}

const CellValue *Worksheet::value(int row, int col) const
{
    if (row < 1 || col < 1 || row > MaxRows || col > MaxColumns)
        return nullptr;
    auto it = m_cells.find(key(row, col));
    return it == m_cells.end() ? nullptr : &it->second;
}

void Worksheet::setValue(int row, int col, CellValue value)
{
    if (row < 1 || col < 1 || row > MaxRows || col > MaxColumns)
        throw EWorkbookError(
            QStringLiteral("The cell (%1, %2) lies outside the sheet").arg(row).arg(col));
    if (value.kind == CellValue::Kind::Empty) {
        if (auto it = m_cells.find(key(row, col)); it != m_cells.end()) {
            m_text -= it->second.text.size();
            m_cells.erase(it);
        }
        return;
    }
    auto [it, added] = m_cells.try_emplace(key(row, col));
    if (added && m_cells.size() > MaxCells) {
        m_cells.erase(it);
        throw EWorkbookError(
            QStringLiteral("The sheet holds more than %1 cells, more than can be read")
                .arg(MaxCells));
    }
    const qint64 text = m_text - it->second.text.size() + value.text.size();
    if (text > MaxText) {
        if (added)
            m_cells.erase(it);
        throw EWorkbookError(
            QStringLiteral("The sheet holds more than %1 MB of text, more than can be read")
                .arg(MaxText * 2 / (1024 * 1024)));
    }
    m_text = text;
    it->second = std::move(value);
    m_lastRow = std::max(m_lastRow, row);
    m_lastColumn = std::max(m_lastColumn, col);
}

void Worksheet::setCells(int row, int col, const QString &text)
{
    setValue(row, col, typedValue(text));
}

void Worksheet::setText(int row, int col, const QString &text)
{
    CellValue value;
    value.kind = text.isEmpty() ? CellValue::Kind::Empty : CellValue::Kind::Text;
    value.text = text;
    setValue(row, col, std::move(value));
}

void Worksheet::setCells(int row, int col, double number)
{
    CellValue value;
    value.kind = CellValue::Kind::Number;
    value.number = number;
    setValue(row, col, value);
}

void Workbook::SaveAs(const QString &fileName)
{
    WorkbookFiles::writeXlsx(m_sheet, fileName);
}

Workbook &Workbooks::Add()
{
    m_books.push_back(std::make_unique<Workbook>());
    return *m_books.back();
}

Workbook &Workbooks::Add(const QString &fileName)
{
    auto book = std::make_unique<Workbook>();
    WorkbookFiles::read(fileName, book->ActiveSheet());
    m_books.push_back(std::move(book));
    return *m_books.back();
}

Workbook &WorkbookApplication::ActiveWorkbook()
{
    if (Workbook *book = m_workbooks.active())
        return *book;
    throw EWorkbookError(QStringLiteral("There is no active workbook"));
}

namespace WorkbookFiles {

namespace {

// The first bytes of a file that may be read as a workbook.
QByteArray headOf(const QString &path, qsizetype count)
{
    FileRead::checkFile(path, MaxFileSize);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileRead::EReadFailed(f.errorString());
    return f.read(count);
}

} // namespace

bool looksLikeWorkbook(const QString &path)
{
    QByteArray head;
    try {
        head = headOf(path, 8);
    } catch (const FileRead::EReadFailed &) {
        return false;
    }
    return head.startsWith("PK\x03\x04") ||
           head == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

void read(const QString &path, Worksheet &sheet)
{
    const QString shown = QDir::toNativeSeparators(path);
    QByteArray head;
    try {
        head = headOf(path, 8);
    } catch (const FileRead::EReadFailed &e) {
        if (e.error() == ENOENT && !path.contains(QChar::ReplacementCharacter))
            throw EWorkbookError(QStringLiteral("\"%1\" does not exist").arg(shown));
        throw EWorkbookError(QStringLiteral("\"%1\" cannot be opened: %2").arg(shown, e.reason()));
    }
    if (head.startsWith("PK\x03\x04")) {
        // Both zip formats: the entries tell which one.
        readZipWorkbook(path, sheet);
        return;
    }
    if (head == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        // A password-protected xlsx is a compound file holding the stream
        // "EncryptedPackage" (its name in UTF-16).
        if (QFile f(path); f.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = f.read(4 * 1024 * 1024);
            if (bytes.contains(QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32)))
                throw EWorkbookError(
                    QStringLiteral("\"%1\" is encrypted and cannot be read").arg(shown));
        }
        readXls(path, sheet);
        return;
    }
    throw EWorkbookError(QStringLiteral("\"%1\" is not a spreadsheet workbook").arg(shown));
}

} // namespace WorkbookFiles
