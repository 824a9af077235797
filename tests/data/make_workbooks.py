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
    # A formula without a cached value, a boolean, and a second sheet that
    # must not be read.
    sheet["E3"] = "=C3+1"
    sheet["F3"] = True
    sheet["G3"] = 0.1
    book.create_sheet("Other")["A1"] = "not this one"
    book.save(path)


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


def libreoffice(source, extension):
    out = tempfile.mkdtemp()
    subprocess.run(["soffice", "--headless", "--convert-to", extension, "--outdir", out, source], check=True,
                   stdout=subprocess.DEVNULL)
    name = os.path.splitext(os.path.basename(source))[0] + "." + extension
    shutil.move(os.path.join(out, name), "libreoffice." + extension)


if __name__ == "__main__":
    openpyxl_book("openpyxl.xlsx")
    book_1904("date1904.xlsx")
    inline_strings("inline.xlsx")
    # LibreOffice makes its own copies of the plain observations.
    plain = openpyxl.Workbook()
    observations(plain.active)
    plain.save("plain.xlsx")
    for extension in ("ods", "xls"):
        libreoffice("plain.xlsx", extension)
    os.remove("plain.xlsx")
