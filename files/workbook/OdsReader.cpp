// Reading the active sheet of an OpenDocument spreadsheet (ods).
#include "Workbook.h"
#include "app/Progress.h"

#include <QDir>
#include <QTime>
#include <QXmlStreamReader>

#include <cmath>

namespace {

// Columns past this are not kept: the program reads 13, and repeated empty
// columns up to the sheet's 16 384 must not be expanded.
constexpr int KeptColumns = 256;

EWorkbookError damaged(const QString &path, const QString &why)
{
    return EWorkbookError(
        QStringLiteral("\"%1\" is damaged: %2").arg(QDir::toNativeSeparators(path), why));
}

int repeatOf(const QXmlStreamAttributes &attrs, const char *name)
{
    const auto v = attrs.value(QLatin1String("table:") + QLatin1String(name));
    if (v.isEmpty())
        return 1;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    return ok && n >= 1 ? static_cast<int>(std::min<qint64>(n, Worksheet::MaxRows)) : 1;
}

// The text of a cell: its paragraphs joined by line ends, with the spaces,
// tabs and breaks that OpenDocument writes as elements.
QString readCellText(QXmlStreamReader &xml, const QString &path)
{
    QString text;
    int paragraphs = 0;
    int depth = 1;
    while (!xml.atEnd() && depth > 0) {
        if (text.size() > Worksheet::MaxCellText)
            throw damaged(path, QStringLiteral("a text is longer than a cell can hold"));
        xml.readNext();
        if (xml.isStartElement()) {
            if (++depth > Worksheet::MaxTextDepth)
                throw damaged(path, QStringLiteral("a text is nested too deeply"));
            const auto name = xml.qualifiedName();
            if (name == QLatin1String("text:p") || name == QLatin1String("text:h")) {
                if (paragraphs++ > 0)
                    text += u'\n';
            } else if (name == QLatin1String("text:s")) {
                const int c = xml.attributes().value("text:c").toInt();
                text += QString(std::clamp(c, 1, 1000), u' ');
            } else if (name == QLatin1String("text:tab")) {
                text += u'\t';
            } else if (name == QLatin1String("text:line-break")) {
                text += u'\n';
            } else if (name == QLatin1String("office:annotation")) {
                xml.skipCurrentElement(); // comments are not the cell's text
                --depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
        } else if (xml.isCharacters()) {
            text += xml.text();
        }
    }
    return text;
}

CellValue cellValue(const QXmlStreamAttributes &attrs, const QString &text, const QString &path)
{
    CellValue value;
    const auto type = attrs.value("office:value-type");
    bool ok = true;
    if (type == QLatin1String("float") || type == QLatin1String("percentage") ||
        type == QLatin1String("currency")) {
        value.kind = CellValue::Kind::Number;
        value.number = attrs.value("office:value").toDouble(&ok);
        if (!ok || !std::isfinite(value.number))
            throw damaged(
                path,
                QStringLiteral("the number %1 is not valid").arg(attrs.value("office:value")));
    } else if (type == QLatin1String("date")) {
        const auto stamp = attrs.value("office:date-value");
        const QDate date = QDate::fromString(stamp.left(10).toString(), Qt::ISODate);
        if (!date.isValid())
            throw damaged(path, QStringLiteral("the date %1 is not valid").arg(stamp));
        const QTime time = stamp.size() > 11
                               ? QTime::fromString(stamp.mid(11, 8).toString(), Qt::ISODate)
                               : QTime();
        const int seconds = time.isValid() ? time.msecsSinceStartOfDay() / 1000 : 0;
        value = dateTimeValue(serialOf(date) + seconds / 86400.0, true, seconds != 0, true,
                              seconds % 60 != 0);
    } else if (type == QLatin1String("boolean")) {
        value.kind = CellValue::Kind::Boolean;
        value.number = attrs.value("office:boolean-value") == QLatin1String("true") ? 1 : 0;
    } else if (type == QLatin1String("string") && attrs.hasAttribute("office:string-value")) {
        value.kind = CellValue::Kind::Text;
        value.text = attrs.value("office:string-value").toString();
    } else if (!text.isEmpty()) {
        value.kind = CellValue::Kind::Text;
        value.text = text;
    }
    return value;
}

} // namespace

QString WorkbookFiles::odsActiveTable(const QByteArray &settings)
{
    QXmlStreamReader xml(settings);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.qualifiedName() == QLatin1String("config:config-item") &&
            xml.attributes().value("config:name") == QLatin1String("ActiveTable"))
            return xml.readElementText(QXmlStreamReader::SkipChildElements);
    }
    return {};
}

namespace {

// The place among the top-level tables of the one named, 0 when none is.
int tableIndex(const QByteArray &content, const QString &name)
{
    if (name.isEmpty())
        return 0;
    QXmlStreamReader xml(content);
    int index = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.qualifiedName() == QLatin1String("table:table")) {
            if (xml.attributes().value("table:name") == name)
                return index;
            ++index;
            xml.skipCurrentElement();
        }
    }
    return 0;
}

} // namespace

void WorkbookFiles::readOdsContent(const QByteArray &content, const QString &path, Worksheet &sheet,
                                   const QString &activeTable)
{
    int skip = tableIndex(content, activeTable); // tables before the one to read
    QXmlStreamReader xml(content);
    bool inTable = false;
    QString sheetName;
    int row = 0; // the last row taken
    struct Cell {
        int col;
        int repeat;
        CellValue value;
    };
    std::vector<Cell> cells;
    unsigned polled = 0;
    while (!xml.atEnd()) {
        ThreadProgress::checkCancelledEvery(polled); // a dropped read stops
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.qualifiedName();
            if (name == QLatin1String("table:table")) {
                if (inTable || skip > 0) {
                    skip -= inTable ? 0 : 1;
                    xml.skipCurrentElement(); // a table inside the table, or before it
                    continue;
                }
                inTable = true;
                sheetName = xml.attributes().value("table:name").toString();
            } else if (inTable && name == QLatin1String("table:table-row")) {
                const int rowRepeat = repeatOf(xml.attributes(), "number-rows-repeated");
                cells.clear();
                int col = 0;
                while (!xml.atEnd()) {
                    ThreadProgress::checkCancelledEvery(polled);
                    xml.readNext();
                    if (xml.isEndElement() &&
                        xml.qualifiedName() == QLatin1String("table:table-row"))
                        break;
                    if (!xml.isStartElement())
                        continue;
                    const auto cellName = xml.qualifiedName();
                    if (cellName != QLatin1String("table:table-cell") &&
                        cellName != QLatin1String("table:covered-table-cell")) {
                        xml.skipCurrentElement();
                        continue;
                    }
                    const QXmlStreamAttributes attrs = xml.attributes();
                    const int repeat = repeatOf(attrs, "number-columns-repeated");
                    // A formula stored without its value would read as empty.
                    if (attrs.hasAttribute("table:formula") &&
                        !attrs.hasAttribute("office:value-type"))
                        throw uncachedFormula(path, row + 1, col + 1, sheetName,
                                              attrs.value("table:formula").toString());
                    const QString text = readCellText(xml, path);
                    CellValue value = cellValue(attrs, text, path);
                    if (value.kind != CellValue::Kind::Empty && col < KeptColumns)
                        cells.push_back(
                            {col + 1, std::min(repeat, KeptColumns - col), std::move(value)});
                    col = static_cast<int>(
                        std::min<qint64>(qint64(col) + repeat, Worksheet::MaxColumns));
                }
                // Repeated rows: empty ones only move the row count on.
                const int rows = std::min(rowRepeat, Worksheet::MaxRows - row);
                if (!cells.empty()) {
                    // Checked before a million repeated rows are expanded.
                    size_t perRow = 0;
                    for (const Cell &c : cells)
                        perRow += static_cast<size_t>(c.repeat);
                    if (sheet.cellCount() + perRow * static_cast<size_t>(rows) >
                        Worksheet::MaxCells)
                        throw EWorkbookError(
                            QStringLiteral("\"%1\" holds more cells than can be read")
                                .arg(QDir::toNativeSeparators(path)));
                    for (int r = 1; r <= rows; ++r)
                        for (const Cell &c : cells)
                            for (int k = 0; k < c.repeat; ++k)
                                sheet.setValue(row + r, c.col + k, c.value);
                }
                row += rows;
            }
        } else if (xml.isEndElement() && xml.qualifiedName() == QLatin1String("table:table") &&
                   inTable) {
            break; // only the active sheet
        }
    }
    if (xml.hasError())
        throw damaged(path, QStringLiteral("content.xml: %1").arg(xml.errorString()));
    if (!inTable)
        throw damaged(path, QStringLiteral("the spreadsheet has no sheet"));
}
