// Reading the active sheet of an Office Open XML workbook (xlsx, xlsm), and
// telling it apart from an OpenDocument spreadsheet in the same zip form.
#include "NumberFormat.h"
#include "Workbook.h"
#include "ZipArchive.h"
#include "app/Progress.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <cmath>

namespace {

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

EWorkbookError damaged(const QString &path, const QString &why)
{
    return EWorkbookError(QStringLiteral("\"%1\" is damaged: %2").arg(shownPath(path), why));
}

void checkXml(const QXmlStreamReader &xml, const QString &path, const QString &part)
{
    if (xml.hasError())
        throw damaged(path, QStringLiteral("%1: %2").arg(part, xml.errorString()));
}

// A relationship's target as an entry name: absolute targets ("/xl/...")
// lose the slash, relative ones are taken from the folder of the part.
QString resolveTarget(const QString &base, const QString &target)
{
    QString path = target.startsWith(u'/') ? target.mid(1) : base + target;
    QStringList parts;
    for (const QString &p : path.split(u'/')) {
        if (p == QLatin1String(".."))
            parts.isEmpty() ? void() : parts.removeLast();
        else if (!p.isEmpty() && p != QLatin1String("."))
            parts << p;
    }
    return parts.join(u'/');
}

// "AB12" as column 28, row 12; false when it is not a cell reference.
bool parseReference(QStringView ref, int *row, int *col)
{
    qsizetype i = 0;
    qint64 c = 0;
    while (i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 128) {
        c = c * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (c > Worksheet::MaxColumns)
            return false;
        ++i;
    }
    if (i == 0 || i == ref.size())
        return false;
    bool ok = false;
    const qint64 r = ref.mid(i).toLongLong(&ok);
    if (!ok || r < 1 || r > Worksheet::MaxRows)
        return false;
    *row = static_cast<int>(r);
    *col = static_cast<int>(c);
    return true;
}

// The text of an <si> or <is> element: all its <t> runs, without the
// phonetic hints of <rPh>. Read element by element, never by recursion, so
// that deep nesting costs no stack; nesting deeper than any writer makes
// and texts longer than a cell holds mark the file as damaged.
QString readRichText(QXmlStreamReader &xml, const QString &path)
{
    QString text;
    int depth = 0;    // elements open inside the <si> or <is>
    int phonetic = 0; // open <rPh> elements
    int run = 0;      // the depth of the <t> being read, 0 outside one
    unsigned polled = 0;
    while (!xml.atEnd()) {
        ThreadProgress::checkCancelledEvery(polled); // a dropped read stops
        xml.readNext();
        if (xml.isStartElement()) {
            if (++depth > Worksheet::MaxTextDepth)
                throw damaged(path, QStringLiteral("a text is nested too deeply"));
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t") && phonetic == 0 && run == 0)
                run = depth;
        } else if (xml.isEndElement()) {
            if (depth == 0)
                break; // the end of the <si> or <is>
            if (run == depth)
                run = 0;
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            --depth;
        } else if (xml.isCharacters() && run > 0) {
            text += xml.text();
            if (text.size() > Worksheet::MaxCellText)
                throw damaged(path, QStringLiteral("a text is longer than a cell can hold"));
        }
    }
    return text;
}

struct Styles {
    std::vector<NumberFormat::Shows> shows; // by cell style index
};

Styles readStyles(const QByteArray &bytes, const QString &path)
{
    Styles styles;
    QHash<int, QString> codes;
    QXmlStreamReader xml(bytes);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("numFmt")) {
                codes.insert(xml.attributes().value("numFmtId").toInt(),
                             xml.attributes().value("formatCode").toString());
            } else if (xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (xml.name() == QLatin1String("xf") && inCellXfs) {
                const int id = xml.attributes().value("numFmtId").toInt();
                const NumberFormat::Shows shows = codes.contains(id)
                                                      ? NumberFormat::ofCode(codes.value(id))
                                                      : NumberFormat::ofBuiltIn(id);
                styles.shows.push_back(shows);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    checkXml(xml, path, QStringLiteral("styles.xml"));
    return styles;
}

std::vector<QString> readSharedStrings(const QByteArray &bytes, const QString &path)
{
    std::vector<QString> strings;
    QXmlStreamReader xml(bytes);
    unsigned polled = 0;
    while (!xml.atEnd()) {
        ThreadProgress::checkCancelledEvery(polled);
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("si"))
            strings.push_back(readRichText(xml, path));
    }
    checkXml(xml, path, QStringLiteral("sharedStrings.xml"));
    return strings;
}

double toNumber(const QString &text, bool *ok)
{
    const double v = text.trimmed().toDouble(ok);
    if (*ok && !std::isfinite(v))
        *ok = false;
    return v;
}

void readSheet(const QByteArray &bytes, const QString &path, const QString &sheetName,
               const std::vector<QString> &shared, const Styles &styles, bool date1904,
               Worksheet &sheet)
{
    QXmlStreamReader xml(bytes);
    int row = 0, col = 0;
    QHash<QString, QString> sharedFormulas; // the text of each shared formula by its index
    unsigned polled = 0;
    while (!xml.atEnd()) {
        ThreadProgress::checkCancelledEvery(polled); // a dropped read stops
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("row")) {
            bool ok = false;
            const int r = xml.attributes().value("r").toInt(&ok);
            row = ok ? r : row + 1;
            col = 0;
            if (row < 1 || row > Worksheet::MaxRows)
                throw damaged(path, QStringLiteral("a row number is out of range"));
            continue;
        }
        if (xml.name() != QLatin1String("c"))
            continue;
        const QXmlStreamAttributes attrs = xml.attributes();
        int r = row, c = col + 1;
        if (attrs.hasAttribute("r") && !parseReference(attrs.value("r"), &r, &c))
            throw damaged(
                path, QStringLiteral("the cell reference %1 is not valid").arg(attrs.value("r")));
        row = std::max(r, 1);
        col = c;
        const QString type = attrs.value("t").toString();
        const int style = attrs.value("s").toInt();
        QString v, inlineText, formula;
        bool hasInline = false, hasFormula = false, hasValue = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == QLatin1String("v")) {
                    v = xml.readElementText();
                    hasValue = true;
                } else if (xml.name() == QLatin1String("is")) {
                    inlineText = readRichText(xml, path);
                    hasInline = true;
                } else if (xml.name() == QLatin1String("f")) {
                    // Only the cached value counts; the text names the cell
                    // when there is none.
                    hasFormula = true;
                    const QString index = xml.attributes().value("si").toString();
                    formula = xml.readElementText(QXmlStreamReader::SkipChildElements);
                    if (!index.isEmpty() && !formula.isEmpty())
                        sharedFormulas.insert(index, formula);
                    else if (!index.isEmpty())
                        formula = sharedFormulas.value(index);
                } else {
                    xml.skipCurrentElement();
                }
            } else if (xml.isEndElement() && xml.name() == QLatin1String("c")) {
                break;
            }
        }
        // A formula the writer did not compute (as scripts write them) would
        // read as an empty cell, and a count as 0: the workbook is refused.
        if (hasFormula && (!hasValue || (v.isEmpty() && type != QLatin1String("str"))))
            throw uncachedFormula(path, row, col, sheetName, formula);
        CellValue value;
        bool ok = true;
        if (type == QLatin1String("s")) {
            const qsizetype index = v.toLongLong(&ok);
            if (!ok || index < 0 || static_cast<size_t>(index) >= shared.size())
                throw damaged(path, QStringLiteral("a shared string is missing"));
            value.kind = CellValue::Kind::Text;
            value.text = shared[static_cast<size_t>(index)];
        } else if (type == QLatin1String("inlineStr")) {
            value.kind = hasInline ? CellValue::Kind::Text : CellValue::Kind::Empty;
            value.text = inlineText;
        } else if (type == QLatin1String("str")) {
            value.kind = v.isEmpty() ? CellValue::Kind::Empty : CellValue::Kind::Text;
            value.text = v;
        } else if (type == QLatin1String("b")) {
            value.kind = v.isEmpty() ? CellValue::Kind::Empty : CellValue::Kind::Boolean;
            value.number = v.trimmed() == QLatin1String("1") ? 1 : 0;
        } else if (type == QLatin1String("e")) {
            value.kind = CellValue::Kind::Error;
            value.text = v;
        } else if (type == QLatin1String("d")) {
            const QDateTime stamp = QDateTime::fromString(v.left(19), Qt::ISODate);
            const QDate date =
                stamp.isValid() ? stamp.date() : QDate::fromString(v.left(10), Qt::ISODate);
            if (date.isValid()) {
                const int seconds =
                    stamp.isValid() ? stamp.time().msecsSinceStartOfDay() / 1000 : 0;
                value = dateTimeValue(serialOf(date) + seconds / 86400.0, true, seconds != 0, true,
                                      seconds % 60 != 0);
            }
        } else if (!v.isEmpty()) {
            value.number = toNumber(v, &ok);
            if (!ok)
                throw damaged(path, QStringLiteral("the number %1 is not valid").arg(v));
            const NumberFormat::Shows shows =
                style >= 0 && static_cast<size_t>(style) < styles.shows.size()
                    ? styles.shows[static_cast<size_t>(style)]
                    : NumberFormat::Shows();
            if (shows.date || shows.time) {
                // days from 1899-12-30 to 1904-01-01 in a 1904 workbook
                value = dateTimeValue(value.number + (date1904 && shows.date ? 1462 : 0),
                                      shows.date, shows.time, shows.twoDigitHours, shows.seconds);
            } else {
                value.kind = CellValue::Kind::Number;
            }
        }
        if (value.kind != CellValue::Kind::Empty)
            sheet.setValue(row, col, std::move(value));
    }
    checkXml(xml, path, QStringLiteral("the sheet"));
}

void readXlsx(ZipArchive &zip, const QString &path, Worksheet &sheet)
{
    // The sheet the workbook opens at (its active tab, else the first) and
    // whether it counts from 1904.
    QString firstSheetId, sheetName;
    bool date1904 = false;
    {
        QXmlStreamReader xml(zip.read(QStringLiteral("xl/workbook.xml")));
        int activeTab = 0;
        std::vector<std::pair<QString, QString>> sheets; // relationship id and name
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("workbookPr")) {
                const auto v = xml.attributes().value("date1904");
                date1904 = v == QLatin1String("1") || v == QLatin1String("true");
            } else if (xml.name() == QLatin1String("workbookView") && sheets.empty()) {
                activeTab = std::max(0, xml.attributes().value("activeTab").toInt());
            } else if (xml.name() == QLatin1String("sheet")) {
                QString id;
                for (const QXmlStreamAttribute &a : xml.attributes())
                    if (a.name() == QLatin1String("id"))
                        id = a.value().toString();
                if (sheets.size() < size_t(Worksheet::MaxColumns))
                    sheets.emplace_back(id, xml.attributes().value("name").toString());
            }
        }
        checkXml(xml, path, QStringLiteral("workbook.xml"));
        if (!sheets.empty()) {
            const auto &[id, name] =
                sheets[std::min(static_cast<size_t>(activeTab), sheets.size() - 1)];
            firstSheetId = id;
            sheetName = name;
        }
    }
    if (firstSheetId.isEmpty())
        throw damaged(path, QStringLiteral("the workbook has no sheet"));

    QString sheetPart, sharedPart, stylesPart;
    {
        QXmlStreamReader xml(zip.read(QStringLiteral("xl/_rels/workbook.xml.rels")));
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship"))
                continue;
            const QXmlStreamAttributes a = xml.attributes();
            const QString target =
                resolveTarget(QStringLiteral("xl/"), a.value("Target").toString());
            const QString type = a.value("Type").toString();
            if (a.value("Id") == firstSheetId)
                sheetPart = target;
            else if (type.endsWith(QLatin1String("/sharedStrings")))
                sharedPart = target;
            else if (type.endsWith(QLatin1String("/styles")))
                stylesPart = target;
        }
        checkXml(xml, path, QStringLiteral("workbook.xml.rels"));
    }
    if (sheetPart.isEmpty())
        throw damaged(path, QStringLiteral("the active sheet is missing"));

    const std::vector<QString> shared = sharedPart.isEmpty() || !zip.has(sharedPart)
                                            ? std::vector<QString>()
                                            : readSharedStrings(zip.read(sharedPart), path);
    const Styles styles = stylesPart.isEmpty() || !zip.has(stylesPart)
                              ? Styles()
                              : readStyles(zip.read(stylesPart), path);
    readSheet(zip.read(sheetPart), path, sheetName, shared, styles, date1904, sheet);
}

} // namespace

void WorkbookFiles::readZipWorkbook(const QString &path, Worksheet &sheet)
{
    ZipArchive zip(path);
    readZipWorkbook(zip, path, sheet);
}

void WorkbookFiles::readZipWorkbook(QIODevice &device, const QString &name, Worksheet &sheet)
{
    ZipArchive zip(&device, QDir::toNativeSeparators(name));
    readZipWorkbook(zip, name, sheet);
}

void WorkbookFiles::readZipWorkbook(ZipArchive &zip, const QString &path, Worksheet &sheet)
{
    if (zip.has(QStringLiteral("xl/workbook.xml"))) {
        readXlsx(zip, path, sheet);
        return;
    }
    if (zip.has(QStringLiteral("content.xml")) && zip.has(QStringLiteral("mimetype")) &&
        zip.read(QStringLiteral("mimetype"))
            .startsWith("application/vnd.oasis.opendocument.spreadsheet")) {
        const QString active = zip.has(QStringLiteral("settings.xml"))
                                   ? odsActiveTable(zip.read(QStringLiteral("settings.xml")))
                                   : QString();
        readOdsContent(zip.read(QStringLiteral("content.xml")), path, sheet, active);
        return;
    }
    throw EWorkbookError(
        QStringLiteral("\"%1\" is not a spreadsheet workbook").arg(shownPath(path)));
}
