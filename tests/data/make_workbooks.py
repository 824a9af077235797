#!/usr/bin/python3
"""Makes the workbook fixtures of the tests with programs other than Vexlor.

Needs Debian's python3-openpyxl, and LibreOffice (libreoffice-calc-nogui)
for the .ods and .xls files. The tests read the files this script wrote;
they do not need these programs.

    cd tests/data && /usr/bin/python3 make_workbooks.py
"""
import datetime
import os
import shutil
import subprocess
import tempfile
import zipfile

import openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904

HEADER = ["Date", "Hour", "Sum"] + ["N%d" % n for n in range(1, 11)]


def observations(sheet):
    sheet.append(HEADER)
    day = datetime.date(2008, 12, 8)
    rows = [
        [day, 0, 12, 5],
        [day, 1, 13, 6],
        [day, 2, 14.5, "text"],
        [day, 3, 1234567, -7],
        [day + datetime.timedelta(days=1), 4, 0, None, None, None, None, None, None, None, None, None, 99],
    ]
    for row in rows:
        sheet.append(row)
    for r in range(2, 2 + len(rows)):
        sheet.cell(row=r, column=1).number_format = "dd.mm.yyyy"


def openpyxl_book(path):
    book = openpyxl.Workbook()
    sheet = book.active
    observations(sheet)
    # A boolean, a decimal, and a second sheet that must not be read.
    sheet["F3"] = True
    sheet["G3"] = 0.1
    book.create_sheet("Other")["A1"] = "not this one"
    book.save(path)


def uncached_formula(path):
    # openpyxl stores formulas without their values: a count that is one
    # would read as 0.
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Counts"
    observations(sheet)
    sheet["C4"] = "=C3+1"
    book.save(path)


def times(path):
    # The hour typed as a time, in two formats, and a date with its time.
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.append(HEADER)
    day = datetime.date(2008, 12, 8)
    sheet.append([day, datetime.time(5, 0), 12])
    sheet.append([day, datetime.time(6, 0), 13])
    sheet.append([datetime.datetime(2008, 12, 8, 7, 30), 7, 14.5])
    sheet["A2"].number_format = "dd.mm.yyyy"
    sheet["A3"].number_format = "dd.mm.yyyy"
    sheet["B2"].number_format = "hh:mm"
    sheet["B3"].number_format = "h:mm:ss"
    sheet["A4"].number_format = "dd.mm.yyyy hh:mm"
    book.save(path)


def active_second_sheet():
    # Workbooks saved with their second sheet shown: it is the one read.
    book = openpyxl.Workbook()
    book.active.title = "First"
    book.active["A1"] = "not this one"
    second = book.create_sheet("Second")
    observations(second)
    book.active = 1
    book.save("active.xlsx")
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0"')

    def table(name, text):
        return ('<table:table table:name="%s"><table:table-row><table:table-cell office:value-type="string">'
                '<text:p>%s</text:p></table:table-cell></table:table-row></table:table>' % (name, text))
    content = ('<?xml version="1.0"?><office:document-content %s><office:body><office:spreadsheet>%s%s'
               '</office:spreadsheet></office:body></office:document-content>'
               % (ns, table("First", "not this one"), table("Second", "Date")))
    settings = ('<?xml version="1.0"?><office:document-settings %s><office:settings>'
                '<config:config-item-set config:name="ooo:view-settings"><config:config-item-map-indexed '
                'config:name="Views"><config:config-item-map-entry><config:config-item config:name="ActiveTable" '
                'config:type="string">Second</config:config-item></config:config-item-map-entry>'
                '</config:config-item-map-indexed></config:config-item-set></office:settings>'
                '</office:document-settings>' % ns)
    with zipfile.ZipFile("active.ods", "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("content.xml", content)
        z.writestr("settings.xml", settings)


def book_1904(path):
    book = openpyxl.Workbook()
    book.epoch = CALENDAR_MAC_1904
    sheet = book.active
    sheet.append(HEADER)
    sheet.append([datetime.date(2009, 1, 3), 5, 17])
    sheet["A2"].number_format = "yyyy-mm-dd"
    book.save(path)


def inline_strings(path):
    # An xlsx by hand, as some tools write it: inline strings, an absolute
    # relationship target, a custom date format with quoted text.
    files = {
        "[Content_Types].xml": '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>',
        "_rels/.rels": '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"/>',
        "xl/workbook.xml": '<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
        'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>'
        '<sheet name="Data" sheetId="1" r:id="rId7"/></sheets></workbook>',
        "xl/_rels/workbook.xml.rels": '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/data.xml"/>'
        '<Relationship Id="rId8" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>'
        "</Relationships>",
        "xl/styles.xml": '<?xml version="1.0"?><styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
        '<numFmts count="2"><numFmt numFmtId="164" formatCode="&quot;day&quot; 0"/><numFmt numFmtId="165" formatCode="[$-409]d/m/yy"/></numFmts>'
        '<cellXfs count="3"><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="165"/></cellXfs></styleSheet>',
        "xl/worksheets/data.xml": '<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
        '<row r="1"><c r="A1" t="inlineStr"><is><t>Date</t></is></c></row>'
        '<row r="2"><c r="A2" s="2"><v>39790</v></c><c r="B2" t="inlineStr"><is><r><t>1</t></r><r><t>7</t></r></is></c>'
        '<c r="C2" s="1"><v>42</v></c><c r="D2" t="e"><v>#DIV/0!</v></c><c r="E2" t="str"><f>A1</f><v>Date</v></c></row>'
        "</sheetData></worksheet>",
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in files.items():
            z.writestr(name, text)


def hostile_workbooks():
    # Small files that once cost a stack or gigabytes: shared strings nested
    # 50 000 deep, and one 100 000-character text repeated over many cells.
    ct = '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>'
    wb = ('<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
          'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>'
          '<sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>')
    rels = ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" '
            'Target="worksheets/sheet1.xml"/><Relationship Id="rId2" '
            'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" '
            'Target="sharedStrings.xml"/></Relationships>')

    def xlsx(name, shared, rows):
        with zipfile.ZipFile(name, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("[Content_Types].xml", ct)
            z.writestr("xl/workbook.xml", wb)
            z.writestr("xl/_rels/workbook.xml.rels", rels)
            z.writestr("xl/sharedStrings.xml", '<?xml version="1.0"?><sst xmlns='
                       '"http://schemas.openxmlformats.org/spreadsheetml/2006/main">' + shared + "</sst>")
            z.writestr("xl/worksheets/sheet1.xml", '<?xml version="1.0"?><worksheet xmlns='
                       '"http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>' + rows +
                       "</sheetData></worksheet>")

    n = 50000
    xlsx("nested-strings.xlsx", "<si>" + "<r>" * n + "<t>x</t>" + "</r>" * n + "</si>",
         '<row r="1"><c r="A1" t="s"><v>0</v></c></row>')
    cells = '<c t="s"><v>0</v></c>' * 13
    xlsx("repeated-text.xlsx", "<si><t>" + "y" * 100000 + "</t></si>",
         "".join('<row r="%d">%s</row>' % (r, cells) for r in range(1, 2001)))
    content = ('<?xml version="1.0"?><office:document-content '
               'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:spreadsheet>'
               '<table:table table:name="S"><table:table-row table:number-rows-repeated="100000">'
               '<table:table-cell table:number-columns-repeated="13" office:value-type="string"><text:p>' +
               "z" * 100000 + "</text:p></table:table-cell></table:table-row></table:table>"
               "</office:spreadsheet></office:body></office:document-content>")
    with zipfile.ZipFile("repeated-text.ods", "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("content.xml", content)


def xls_dates():
    # libreoffice.xls with other serials in the date cells (the first RK of
    # each row's MULRK record): 60, 2100-03-02 (73111), and 2^29 - 1, which
    # FreeXL would turn into a date a day at a time. freexl-overrun.xls is
    # an input fuzz_xls found, kept as it was.
    import struct
    base = open("libreoffice.xls", "rb").read()
    rows = (3853, 3887, 3921, 3963, 3997)
    for name, serials in (("serial60.xls", (60,)), ("year2100.xls", (73111,) * 5),
                          ("slow-dates.xls", (2 ** 29 - 1,) * 5)):
        data = bytearray(base)
        for offset, serial in zip(rows, serials):
            struct.pack_into("<I", data, offset + 10, (serial << 2) | 2)
        open(name, "wb").write(data)


def libreoffice(source, extension):
    out = tempfile.mkdtemp()
    subprocess.run(["soffice", "--headless", "--convert-to", extension, "--outdir", out, source], check=True,
                   stdout=subprocess.DEVNULL)
    name = os.path.splitext(os.path.basename(source))[0] + "." + extension
    shutil.move(os.path.join(out, name), "libreoffice." + extension)


if __name__ == "__main__":
    openpyxl_book("openpyxl.xlsx")
    uncached_formula("formula.xlsx")
    times("times.xlsx")
    active_second_sheet()
    book_1904("date1904.xlsx")
    inline_strings("inline.xlsx")
    # LibreOffice makes its own copies of the plain observations.
    plain = openpyxl.Workbook()
    observations(plain.active)
    plain.save("plain.xlsx")
    for extension in ("ods", "xls"):
        libreoffice("plain.xlsx", extension)
    os.remove("plain.xlsx")
    hostile_workbooks()
    xls_dates()
