// Writing a sheet as an Office Open XML workbook: the parts a spreadsheet
// program needs, zipped with QuaZip. (libxlsxwriter cannot share a process
// with QuaZip: both export minizip's functions, and the writer's calls end in
// QuaZip's copies.)
#include "Workbook.h"

#include "ZipArchive.h"
#include "app/DateConv.h"
#include "app/SafeSave.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QXmlStreamWriter>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

const char ContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
    "<Override PartName=\"/xl/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "</Types>";

const char PackageRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";

const char WorkbookXml[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

const char WorkbookRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/></Relationships>";

// Starts an XML part of the spreadsheet namespace with its root element.
void startPart(QXmlStreamWriter &xml, const QString &root)
{
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(root);
    xml.writeDefaultNamespace(
        QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main"));
}

// Style 1 shows a date in the program's date format: Qt writes the month as
// M, a spreadsheet as m; the other letters mean the same.
QByteArray stylesXml()
{
    QString code = DateConv::format();
    code.replace(u'M', u'm');
    QByteArray out;
    QXmlStreamWriter xml(&out);
    startPart(xml, QStringLiteral("styleSheet"));
    xml.writeStartElement(QStringLiteral("numFmts"));
    xml.writeAttribute(QStringLiteral("count"), QStringLiteral("1"));
    xml.writeEmptyElement(QStringLiteral("numFmt"));
    xml.writeAttribute(QStringLiteral("numFmtId"), QStringLiteral("164"));
    xml.writeAttribute(QStringLiteral("formatCode"), code);
    xml.writeEndElement();
    const char *fixed =
        "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\"/></cellStyleXfs>"
        "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
        "xfId=\"0\"/>"
        "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
        "applyNumberFormat=\"1\"/>"
        "</cellXfs>";
    out += fixed;
    out += "</styleSheet>";
    return out;
}

QString numberText(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

QByteArray sheetXml(const Worksheet &sheet)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    startPart(xml, QStringLiteral("worksheet"));
    xml.writeStartElement(QStringLiteral("sheetData"));
    for (int r = 1; r <= sheet.lastRow(); ++r) {
        bool rowOpen = false;
        for (int c = 1; c <= sheet.lastColumn(); ++c) {
            const CellValue *v = sheet.value(r, c);
            if (!v)
                continue;
            if (!rowOpen) {
                xml.writeStartElement(QStringLiteral("row"));
                xml.writeAttribute(QStringLiteral("r"), QString::number(r));
                rowOpen = true;
            }
            xml.writeStartElement(QStringLiteral("c"));
            xml.writeAttribute(QStringLiteral("r"), cellReference(r, c));
            switch (v->kind) {
            case CellValue::Kind::Date:
                xml.writeAttribute(QStringLiteral("s"), QStringLiteral("1"));
                xml.writeTextElement(QStringLiteral("v"), numberText(v->number));
                break;
            case CellValue::Kind::Number:
            case CellValue::Kind::Time: // the table never writes these
            case CellValue::Kind::DateTime:
                xml.writeTextElement(QStringLiteral("v"), numberText(v->number));
                break;
            case CellValue::Kind::Boolean:
                xml.writeAttribute(QStringLiteral("t"), QStringLiteral("b"));
                xml.writeTextElement(QStringLiteral("v"),
                                     v->number != 0 ? QStringLiteral("1") : QStringLiteral("0"));
                break;
            case CellValue::Kind::Text:
            case CellValue::Kind::Error:
            case CellValue::Kind::Empty:
                xml.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
                xml.writeStartElement(QStringLiteral("is"));
                xml.writeStartElement(QStringLiteral("t"));
                xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                xml.writeCharacters(v->text);
                xml.writeEndElement();
                xml.writeEndElement();
                break;
            }
            xml.writeEndElement();
        }
        if (rowOpen)
            xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

} // namespace

void WorkbookFiles::writeXlsx(const Worksheet &sheet, const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    auto fail = [&](const QString &why) {
        return EWorkbookError(QStringLiteral("\"%1\" cannot be saved: %2").arg(shown, why));
    };
    // The archive is made in memory and handed whole to the one writer of
    // files, which replaces the target only once every byte is on the disk.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate))
            throw fail(QStringLiteral("the workbook cannot be made"));
        const std::pair<const char *, QByteArray> parts[] = {
            {"[Content_Types].xml", QByteArray(ContentTypes)},
            {"_rels/.rels", QByteArray(PackageRels)},
            {"xl/workbook.xml", QByteArray(WorkbookXml)},
            {"xl/_rels/workbook.xml.rels", QByteArray(WorkbookRels)},
            {"xl/styles.xml", stylesXml()},
            {"xl/worksheets/sheet1.xml", sheetXml(sheet)},
        };
        // What the reader unpacks at most: a larger workbook could be
        // written but not opened again.
        qint64 unpacked = 0;
        for (const auto &part : parts)
            unpacked += part.second.size();
        if (unpacked > ZipArchive::Budget)
            throw fail(QStringLiteral("it would unpack to more than %1 MB, more than the program "
                                      "reads")
                           .arg(ZipArchive::Budget / (1024 * 1024)));
        for (const auto &[name, part] : parts) {
            QuaZipFile entry(&zip);
            if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::fromLatin1(name))) ||
                entry.write(part) != part.size())
                throw fail(QStringLiteral("the workbook cannot be made"));
            entry.close();
            if (entry.getZipError() != ZIP_OK)
                throw fail(QStringLiteral("the workbook cannot be made"));
        }
        zip.close();
        if (zip.getZipError() != ZIP_OK)
            throw fail(QStringLiteral("the workbook cannot be made"));
    }
    try {
        SafeSave::write(path, bytes);
    } catch (const SafeSave::ESaveFailed &e) {
        throw fail(e.reason());
    }
}
