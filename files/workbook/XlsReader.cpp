// Reading the first sheet of an Excel 97-2003 workbook (xls) with FreeXL.
#include "Workbook.h"

#include "XlsScan.h"
#include "app/FileRead.h"
#include "app/Progress.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTime>

#include <cmath>
#include <optional>

#include <freexl.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

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
CellValue dateCell(const QString &text, const NumberFormat::Shows &format)
{
    CellValue value;
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    const auto serial = serialOfFreeXl(text);
    if (serial && std::floor(*serial) == 60) {
        value.kind = CellValue::Kind::Number;
        value.number = *serial;
    } else if (serial && (format.time || !date.isValid() || !(date < QDate(2100, 3, 1)))) {
        value = dateTimeValue(*serial, true, format.time, format.twoDigitHours, format.seconds);
    } else if (date.isValid()) {
        value.kind = CellValue::Kind::Date;
        value.number = serialOf(date);
    } else {
        value.kind = CellValue::Kind::Text;
        value.text = text;
    }
    return value;
}

// A cell as FreeXL gave it, carried from the reading process.
struct RawCell {
    unsigned char type = FREEXL_CELL_NULL;
    qint32 intValue = 0;
    double doubleValue = 0;
    QByteArray text;
};

CellValue fromFreeXl(const RawCell &cell, NumberFormat::Shows format)
{
    CellValue value;
    switch (cell.type) {
    case FREEXL_CELL_INT:
        value.kind = CellValue::Kind::Number;
        value.number = cell.intValue;
        break;
    case FREEXL_CELL_DOUBLE:
        value.kind = CellValue::Kind::Number;
        value.number = cell.doubleValue;
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        value.kind = CellValue::Kind::Text;
        value.text = QString::fromUtf8(cell.text);
        break;
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
        if (!format.date && !format.time) // FreeXL's own reading of the format
            format.date = true, format.time = cell.type == FREEXL_CELL_DATETIME;
        value = dateCell(QString::fromUtf8(cell.text), format);
        break;
    case FREEXL_CELL_TIME: {
        // "HH:MM:SS", shown as the cell's format shows a time.
        const QTime time =
            QTime::fromString(QString::fromUtf8(cell.text), QStringLiteral("HH:mm:ss"));
        if (time.isValid()) {
            if (!format.time)
                format.time = format.twoDigitHours = format.seconds = true;
            value = dateTimeValue(time.msecsSinceStartOfDay() / 86400000.0, false, true,
                                  format.twoDigitHours, format.seconds);
        } else {
            value.kind = CellValue::Kind::Text;
            value.text = QString::fromUtf8(cell.text);
        }
        break;
    }
    default:
        break;
    }
    return value;
}

// FreeXL is not safe with damaged files (fuzzing found it writing outside
// its stack buffers within seconds) and slow with some: it runs in a child
// process of its own, which may crash or be stopped without harm, and
// sends the cells back through a pipe. The child touches nothing but FreeXL
// and the pipe, and leaves with _exit.
enum class Outcome : unsigned char { Done = 'Z', Failed = 'E', Cell = 'C' };
enum class Failure : unsigned char { Open = 1, Encrypted, Sheet, Cell };

class PipeWriter {
public:
    explicit PipeWriter(int fd) : m_fd(fd) {}
    void put(const void *data, size_t size)
    {
        const auto *p = static_cast<const char *>(data);
        while (size > 0) {
            if (m_used == sizeof m_buffer)
                flush();
            const size_t n = std::min(size, sizeof m_buffer - m_used);
            std::memcpy(m_buffer + m_used, p, n);
            m_used += n;
            p += n;
            size -= n;
        }
    }
    template <class T> void put(T value) { put(&value, sizeof value); }
    void flush()
    {
        size_t done = 0;
        while (done < m_used) {
            const ssize_t n = ::write(m_fd, m_buffer + done, m_used - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(3);
            done += static_cast<size_t>(n);
        }
        m_used = 0;
    }

private:
    int m_fd;
    char m_buffer[65536];
    size_t m_used = 0;
};

[[noreturn]] void childRead(const char *name, unsigned short sheetIndex, int fd)
{
    PipeWriter out(fd);
    auto fail = [&](Failure why) {
        out.put(Outcome::Failed);
        out.put(why);
        out.flush();
        _exit(0);
    };
    const void *handle = nullptr;
    if (freexl_open(name, &handle) != FREEXL_OK)
        fail(Failure::Open);
    unsigned int password = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED)
        fail(Failure::Encrypted);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle, sheetIndex) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK)
        fail(Failure::Sheet);
    rows = std::min<unsigned int>(rows, Worksheet::MaxRows);
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, c, &cell) != FREEXL_OK)
                fail(Failure::Cell);
            if (cell.type == FREEXL_CELL_NULL)
                continue;
            out.put(Outcome::Cell);
            out.put(quint32(r));
            out.put(quint16(c));
            out.put(cell.type);
            if (cell.type == FREEXL_CELL_INT) {
                out.put(qint32(cell.value.int_value));
            } else if (cell.type == FREEXL_CELL_DOUBLE) {
                out.put(cell.value.double_value);
            } else {
                const char *text = cell.value.text_value ? cell.value.text_value : "";
                const quint32 length = static_cast<quint32>(std::strlen(text));
                out.put(length);
                out.put(text, length);
            }
        }
    }
    freexl_close(handle);
    out.put(Outcome::Done);
    out.flush();
    _exit(0);
}

// Reads what the child sends until it closes the pipe, for at most the
// deadline; then the child is stopped and waited for. Empty when the child
// did not finish in time or ended abnormally.
std::optional<QByteArray> runChild(const QByteArray &name, unsigned short sheetIndex, int seconds)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw EWorkbookError(QString::fromLocal8Bit(std::strerror(errno)));
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        throw EWorkbookError(QString::fromLocal8Bit(std::strerror(error)));
    }
    if (pid == 0) {
        ::close(pipeFds[0]);
        childRead(name.constData(), sheetIndex, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    QByteArray bytes;
    bool complete = false;
    QElapsedTimer clock;
    clock.start();
    char buffer[65536];
    while (true) {
        const qint64 left = seconds * 1000LL - clock.elapsed();
        if (left <= 0)
            break;
        pollfd p{pipeFds[0], POLLIN, 0};
        // A cancelled read stops the child within a tenth of a second.
        if (ThreadProgress::cancelled())
            break;
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<qint64>(left, 100)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            complete = n == 0;
            break;
        }
        bytes.append(buffer, n);
        if (bytes.size() > Worksheet::MaxText * 2 + 64LL * 1024 * 1024)
            break; // more than the sheet could take
    }
    ::close(pipeFds[0]);
    if (!complete)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ThreadProgress::checkCancelled();
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return bytes;
}

template <class T> bool take(const QByteArray &b, qsizetype &at, T &value)
{
    if (at + qsizetype(sizeof value) > b.size())
        return false;
    std::memcpy(&value, b.constData() + at, sizeof value);
    at += sizeof value;
    return true;
}

} // namespace

void WorkbookFiles::readXls(const QString &path, Worksheet &sheet)
{
    const QString shown = QDir::toNativeSeparators(path);
    XlsScan::ActiveSheet first;
    try {
        first = XlsScan::check(FileRead::wholeFile(path, WorkbookFiles::MaxFileSize), path);
    } catch (const FileRead::EReadFailed &e) {
        throw EWorkbookError(QStringLiteral("\"%1\" cannot be opened: %2").arg(shown, e.reason()));
    }
    const std::optional<QByteArray> sent =
        runChild(QFile::encodeName(path), first.index, XlsSeconds);
    auto damaged = [&](const QString &why) {
        return EWorkbookError(QStringLiteral("\"%1\" is damaged: %2").arg(shown, why));
    };
    if (!sent)
        throw damaged(QStringLiteral("the Excel 97-2003 reader failed on it or did not finish "
                                     "within %1 seconds")
                          .arg(XlsSeconds));
    const QByteArray &b = *sent;
    qsizetype at = 0;
    while (true) {
        Outcome what{};
        if (!take(b, at, what))
            throw damaged(QStringLiteral("the Excel 97-2003 reader stopped early"));
        if (what == Outcome::Done)
            break;
        if (what == Outcome::Failed) {
            Failure why{};
            take(b, at, why);
            switch (why) {
            case Failure::Encrypted:
                throw EWorkbookError(
                    QStringLiteral("\"%1\" is encrypted and cannot be read").arg(shown));
            case Failure::Sheet:
                throw damaged(QStringLiteral("the active sheet cannot be read"));
            case Failure::Cell:
                throw damaged(QStringLiteral("a cell cannot be read"));
            default:
                throw EWorkbookError(
                    QStringLiteral("\"%1\" is damaged or not an Excel 97-2003 workbook")
                        .arg(shown));
            }
        }
        quint32 row = 0;
        quint16 col = 0;
        RawCell cell;
        bool ok = take(b, at, row) && take(b, at, col) && take(b, at, cell.type);
        if (ok && cell.type == FREEXL_CELL_INT) {
            ok = take(b, at, cell.intValue);
        } else if (ok && cell.type == FREEXL_CELL_DOUBLE) {
            ok = take(b, at, cell.doubleValue);
        } else if (ok) {
            quint32 length = 0;
            ok = take(b, at, length) && at + qsizetype(length) <= b.size();
            if (ok) {
                cell.text = b.mid(at, length);
                at += length;
            }
        }
        if (!ok || row >= quint32(Worksheet::MaxRows))
            throw damaged(QStringLiteral("the Excel 97-2003 reader stopped early"));
        CellValue value = fromFreeXl(cell, first.formats.value(quint64(row) * 65536 + col));
        if (value.kind != CellValue::Kind::Empty)
            sheet.setValue(static_cast<int>(row) + 1, col + 1, std::move(value));
    }
    // FreeXL leaves formula cells empty; their cached values are in the file.
    for (XlsScan::ActiveSheet::Formula &formula : first.formulas)
        if (!sheet.value(formula.row + 1, formula.col + 1) && formula.row < Worksheet::MaxRows &&
            formula.col < Worksheet::MaxColumns)
            sheet.setValue(formula.row + 1, formula.col + 1, std::move(formula.value));
}
