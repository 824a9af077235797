// A look at an Excel 97-2003 workbook's cells before FreeXL reads it.
#include "XlsScan.h"

#include "NumberFormat.h"
#include "Workbook.h"

#include <QDir>
#include <QHash>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace XlsScan {

namespace {

constexpr quint32 EndOfChain = 0xFFFFFFFE;

quint16 u16(const QByteArray &b, qsizetype at)
{
    return at >= 0 && at + 2 <= b.size() ? qFromLittleEndian<quint16>(b.constData() + at) : 0;
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    return at >= 0 && at + 4 <= b.size() ? qFromLittleEndian<quint32>(b.constData() + at) : 0;
}

// The sectors of a compound file, read through its allocation table.
class Compound {
public:
    explicit Compound(const QByteArray &file) : m_file(file)
    {
        const int shift = u16(file, 0x1E);
        if (shift != 9 && shift != 12)
            return;
        m_sector = qsizetype(1) << shift;
        m_sectors = (file.size() - 512) / m_sector + 1;
        // The allocation table's own sectors: 109 in the header, the rest
        // in a chain of further sectors, each ending with the next one's number.
        std::vector<quint32> fatSectors;
        for (int k = 0; k < 109; ++k)
            fatSectors.push_back(u32(file, 0x4C + 4 * k));
        quint32 difat = u32(file, 0x44);
        for (qsizetype hops = 0; difat < EndOfChain - 4 && hops < m_sectors; ++hops) {
            const qsizetype at = offsetOf(difat);
            if (at < 0)
                break;
            for (qsizetype k = 0; k + 1 < m_sector / 4; ++k)
                fatSectors.push_back(u32(file, at + 4 * k));
            difat = u32(file, at + m_sector - 4);
        }
        const quint32 count = u32(file, 0x2C);
        for (quint32 k = 0; k < count && k < fatSectors.size(); ++k) {
            const qsizetype at = offsetOf(fatSectors[k]);
            if (at < 0)
                break;
            for (qsizetype e = 0; e < m_sector / 4; ++e)
                m_fat.push_back(u32(file, at + 4 * e));
        }
    }

    bool valid() const { return m_sector > 0 && !m_fat.empty(); }

    // The bytes of a chain of sectors, at most size bytes; empty if broken.
    QByteArray chain(quint32 start, qint64 size) const
    {
        QByteArray out;
        for (qsizetype hops = 0; start < EndOfChain - 4 && out.size() < size; ++hops) {
            const qsizetype at = offsetOf(start);
            if (at < 0 || hops > m_sectors || start >= m_fat.size())
                return {};
            out += m_file.mid(at, m_sector);
            start = m_fat[start];
        }
        return out.left(size);
    }

    // The allocation table of the mini stream, as numbers.
    std::vector<quint32> table(quint32 start, quint32 sectors) const
    {
        const QByteArray bytes = chain(start, qint64(sectors) * m_sector);
        std::vector<quint32> out;
        for (qsizetype k = 0; k + 4 <= bytes.size(); k += 4)
            out.push_back(u32(bytes, k));
        return out;
    }

private:
    qsizetype offsetOf(quint32 sector) const
    {
        if (qsizetype(sector) >= m_sectors)
            return -1;
        const qsizetype at = (qsizetype(sector) + 1) * m_sector;
        return at + m_sector <= m_file.size() ? at : -1;
    }

    const QByteArray &m_file;
    qsizetype m_sector = 0;
    qsizetype m_sectors = 0;
    std::vector<quint32> m_fat;
};

// A stream's name in a directory entry: UTF-16 with its length in bytes.
QString entryName(const QByteArray &dir, qsizetype at)
{
    const int bytes = std::min<int>(u16(dir, at + 0x40), 64);
    QString name;
    for (int k = 0; k + 2 < bytes; k += 2)
        name += QChar(u16(dir, at + k));
    return name;
}

// An RK value: a 30-bit integer or the high bits of a double, maybe / 100.
double rkValue(quint32 rk)
{
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<qint32>(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return rk & 1 ? v / 100 : v;
}

// A FORMAT record's code: BIFF8 writes a 16-bit length and a flag for
// two-byte characters, BIFF5 an 8-bit length and bytes.
QString formatCode(const QByteArray &rec, bool biff8)
{
    if (!biff8) {
        const int n = rec.size() > 2 ? static_cast<unsigned char>(rec[2]) : 0;
        return QString::fromLatin1(rec.mid(3, n));
    }
    const int n = u16(rec, 2);
    const bool wide = rec.size() > 4 && (rec[4] & 1);
    if (!wide)
        return QString::fromLatin1(rec.mid(5, n));
    QString code;
    for (int k = 0; k < n; ++k)
        code += QChar(u16(rec, 5 + 2 * k));
    return code;
}

} // namespace

QByteArray workbookStream(const QByteArray &file)
{
    Compound cf(file);
    if (!cf.valid())
        return {};
    const QByteArray dir = cf.chain(u32(file, 0x30), file.size());
    quint32 rootStart = EndOfChain, start = EndOfChain;
    qint64 rootSize = 0, size = -1;
    for (qsizetype at = 0; at + 128 <= dir.size(); at += 128) {
        const int type = static_cast<unsigned char>(dir[at + 0x42]);
        const QString name = entryName(dir, at);
        if (type == 5) {
            rootStart = u32(dir, at + 0x74);
            rootSize = u32(dir, at + 0x78);
        } else if (type == 2 && size < 0 &&
                   (name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0 ||
                    name.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0)) {
            start = u32(dir, at + 0x74);
            size = u32(dir, at + 0x78);
        }
    }
    if (size < 0 || size > file.size())
        return {};
    if (size >= qint64(u32(file, 0x38)))
        return cf.chain(start, size);
    // A small stream lies in the mini stream, in 64-byte sectors.
    const QByteArray mini = cf.chain(rootStart, std::min<qint64>(rootSize, file.size()));
    const std::vector<quint32> miniFat = cf.table(u32(file, 0x3C), u32(file, 0x40));
    QByteArray out;
    for (qsizetype hops = 0; start < EndOfChain - 4 && out.size() < size; ++hops) {
        if (hops > qsizetype(miniFat.size()) || start >= miniFat.size() ||
            qsizetype(start) * 64 + 64 > mini.size())
            return {};
        out += mini.mid(qsizetype(start) * 64, 64);
        start = miniFat[start];
    }
    return out.left(size);
}

ActiveSheet check(const QByteArray &file, const QString &path)
{
    return scanStream(workbookStream(file), path);
}

ActiveSheet scanStream(const QByteArray &stream, const QString &path)
{
    ActiveSheet first;
    QHash<int, QString> codes;
    std::vector<NumberFormat::Shows> formats; // by XF record, in order
    bool biff8 = true;
    int substream = 0; // 1: the globals, 2: the first sheet, and so on
    int shown = 2;     // the substream of the active sheet
    double days = 0;
    std::optional<ActiveSheet::Formula> pendingText; // a formula whose text result follows
    auto shows = [&](quint16 xf) {
        return xf < formats.size() ? formats[xf] : NumberFormat::Shows();
    };
    auto cell = [&](quint16 row, quint16 col, quint16 xf, double serial) {
        const NumberFormat::Shows format = shows(xf);
        if (!(format.date || format.time))
            return;
        if (substream == shown)
            first.formats.insert(quint64(row) * 65536 + col, format);
        if (!std::isfinite(serial) || serial <= 0)
            return;
        if (serial > LastSerial)
            throw EWorkbookError(
                QStringLiteral("\"%1\" cannot be read: the date cell in row %2, column %3 holds "
                               "the serial %4, past the year 9999")
                    .arg(QDir::toNativeSeparators(path))
                    .arg(row + 1)
                    .arg(col + 1)
                    .arg(serial, 0, 'f', 0));
        days += serial;
        if (days > MaxDays)
            throw EWorkbookError(QStringLiteral("\"%1\" cannot be read: it holds more date cells "
                                                "than can be read in reasonable time")
                                     .arg(QDir::toNativeSeparators(path)));
    };
    for (qsizetype at = 0; at + 4 <= stream.size();) {
        const quint16 type = u16(stream, at);
        const quint16 length = u16(stream, at + 2);
        const QByteArray rec = stream.mid(at + 4, length);
        at += 4 + length;
        if (pendingText && type != 0x0207) // the STRING record must follow at once
            pendingText.reset();
        switch (type) {
        case 0x0809: // BOF: the BIFF version
            biff8 = u16(rec, 0) == 0x0600;
            ++substream;
            break;
        case 0x003D: // WINDOW1 of the globals: the active sheet
            if (substream == 1) {
                first.index = u16(rec, 10);
                shown = first.index + 2;
            }
            break;
        case 0x0207: // STRING: the text result of the formula before
            if (pendingText && substream == shown) {
                pendingText->value.kind = CellValue::Kind::Text;
                pendingText->value.text = formatCode(QByteArray(2, '\0') + rec, biff8);
                first.formulas.push_back(*pendingText);
            }
            pendingText.reset();
            break;
        case 0x041E: // FORMAT
            codes.insert(u16(rec, 0), formatCode(rec, biff8));
            break;
        case 0x00E0: { // XF
            const int id = u16(rec, 2);
            const NumberFormat::Shows format = codes.contains(id)
                                                   ? NumberFormat::ofCode(codes.value(id))
                                                   : NumberFormat::ofBuiltIn(id);
            formats.push_back(format);
            break;
        }
        case 0x027E: // RK
            cell(u16(rec, 0), u16(rec, 2), u16(rec, 4), rkValue(u32(rec, 6)));
            break;
        case 0x00BD: // MULRK: a run of RK cells in one row
            for (qsizetype k = 4, col = u16(rec, 2); k + 6 <= rec.size() - 2; k += 6, ++col)
                cell(u16(rec, 0), static_cast<quint16>(col), u16(rec, k), rkValue(u32(rec, k + 2)));
            break;
        case 0x0203:   // NUMBER
        case 0x0006: { // FORMULA, with its cached result
            if (rec.size() < 14)
                break;
            ActiveSheet::Formula formula{u16(rec, 0), u16(rec, 2), {}};
            if (type == 0x0006 && u16(rec, 12) == 0xFFFF) {
                // Not a number: byte 6 tells a text (in the next record),
                // a boolean, an error or an empty text.
                const int kind = static_cast<unsigned char>(rec[6]);
                if (kind == 0) {
                    pendingText = formula;
                } else if (kind == 1 && substream == shown) {
                    formula.value.kind = CellValue::Kind::Boolean;
                    formula.value.number = rec[8] != 0;
                    first.formulas.push_back(formula);
                } else if (kind == 2 && substream == shown) {
                    static const QHash<int, QString> errors = {
                        {0x00, QStringLiteral("#NULL!")},  {0x07, QStringLiteral("#DIV/0!")},
                        {0x0F, QStringLiteral("#VALUE!")}, {0x17, QStringLiteral("#REF!")},
                        {0x1D, QStringLiteral("#NAME?")},  {0x24, QStringLiteral("#NUM!")},
                        {0x2A, QStringLiteral("#N/A")}};
                    formula.value.kind = CellValue::Kind::Error;
                    formula.value.text =
                        errors.value(static_cast<unsigned char>(rec[8]), QStringLiteral("#N/A"));
                    first.formulas.push_back(formula);
                }
                break;
            }
            double v;
            std::memcpy(&v, rec.constData() + 6, sizeof v);
            cell(u16(rec, 0), u16(rec, 2), u16(rec, 4), v);
            if (type == 0x0006 && substream == shown && std::isfinite(v)) {
                const NumberFormat::Shows format = shows(u16(rec, 4));
                formula.value.kind = CellValue::Kind::Number;
                formula.value.number = v;
                if (format.date || format.time)
                    formula.value = dateTimeValue(v, format.date, format.time, format.twoDigitHours,
                                                  format.seconds);
                first.formulas.push_back(formula);
            }
            break;
        }
        default:
            break;
        }
    }
    return first;
}

} // namespace XlsScan
