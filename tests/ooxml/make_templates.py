#!/usr/bin/python3
"""Writes the workbook templates the engine's tests start from.

Made with openpyxl at test time so no binary workbook is committed; a few
parts are then edited by hand to carry what openpyxl does not write (shared
formulas, a calculation chain, legacy note anchors)."""
import os
import re
import shutil
import struct
import sys
import tempfile
import zipfile

from openpyxl import Workbook
from openpyxl.chart import BarChart, Reference
from openpyxl.comments import Comment
from openpyxl.formatting.rule import CellIsRule
from openpyxl.styles import Font, PatternFill
from openpyxl.utils.datetime import CALENDAR_MAC_1904
from openpyxl.workbook.defined_name import DefinedName
from openpyxl.worksheet.datavalidation import DataValidation
from openpyxl.worksheet.table import Table


def add_name(wb, name, value, sheet_index=None):
    dn = DefinedName(name, attr_text=value, localSheetId=sheet_index)
    if hasattr(wb.defined_names, "append"):
        wb.defined_names.append(dn)  # openpyxl 3.0
    elif sheet_index is None:
        wb.defined_names[name] = dn
    else:
        wb.worksheets[sheet_index].defined_names[name] = dn


def basic(path):
    wb = Workbook()
    ws = wb.active
    ws.title = "Data"
    ws["A1"] = "Name"
    ws["A1"].font = Font(bold=True)
    ws["B1"] = "Amount"
    ws["A2"], ws["B2"] = "first", 1
    ws["A3"], ws["B3"] = "second", 2
    ws["B2"].fill = PatternFill("solid", fgColor="FFFF00")
    ws["B3"].fill = PatternFill("solid", fgColor="FFFF00")
    ws["B4"] = "=SUM(B2:B3)"
    ws["C4"] = "=$B$2+B3+SUM($B:$B)-SUM(2:2)"
    ws["D2"] = 5
    ws["D2"].number_format = "0.00"
    ws["E2"].font = Font(italic=True)  # styled, empty, General
    ws["F2"] = "=SUM(A1:XFA1)"  # the last columns, for column insertion
    ws.merge_cells("A6:C6")
    ws["A6"] = "merged title"
    ws.conditional_formatting.add("B2:B3", CellIsRule(operator="greaterThan", formula=["$B$2"], fill=PatternFill("solid", fgColor="FF0000")))
    dv = DataValidation(type="whole", operator="between", formula1="0", formula2="$B$3")
    dv.add("B2:B3")
    dv.prompt = 'Say "yes" & <go>'  # an attribute that needs every escape
    ws.add_data_validation(dv)
    ws["G2"] = "link"
    ws["G2"].hyperlink = "https://example.org/"
    ws.auto_filter.ref = "A1:B3"
    ws.freeze_panes = "A2"
    ws.row_dimensions[2].height = 30
    ws.column_dimensions["B"].width = 20
    ws["H3"].comment = Comment("a note", "tester")
    ws.print_title_rows = "1:1"
    ws.print_area = "A1:D4"

    other = wb.create_sheet("Other Sheet")
    other["A1"] = "=Data!B2+'Data'!B3"
    other["A2"] = "=SUM(Data!B2:B3)+A1"
    other["A3"] = "=SUM(Data!$A:$A)+B1"
    other["B1"] = 7
    other["A4"] = "=SUM(Data!B4:B9)"

    wb.create_sheet("Summary")
    wb["Summary"]["A1"] = "=SUM('Other Sheet'!A1:A2)"

    add_name(wb, "Total", '"template"')
    add_name(wb, "Amounts", "Data!$B$2:$B$3")
    add_name(wb, "LocalName", "Data!$A$1", sheet_index=0)
    wb.save(path)


def date1904(path):
    wb = Workbook()
    wb.epoch = CALENDAR_MAC_1904
    wb.active.title = "Dates"
    wb.active["A1"] = "x"
    wb.save(path)


def features(path):
    """A table and a chart over a two-row data area."""
    wb = Workbook()
    ws = wb.active
    ws.title = "Sales"
    ws.append(["Item", "Qty"])
    ws.append(["a", 1])
    ws.append(["b", 2])
    ws["B4"] = "=SUM(B2:B3)"
    tab = Table(displayName="SalesTable", ref="A1:B3")
    ws.add_table(tab)
    chart = BarChart()
    chart.add_data(Reference(ws, min_col=2, min_row=1, max_row=3), titles_from_data=True)
    chart.set_categories(Reference(ws, min_col=1, min_row=2, max_row=3))
    ws.add_chart(chart, "D2")
    wb.save(path)


def rewrite_part(path, part, edit, extra=None):
    """Rewrites one part of a package (and adds parts) keeping the others."""
    tmp = path + ".tmp"
    with zipfile.ZipFile(path) as zin, zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename == part:
                data = edit(data.decode("utf-8")).encode("utf-8")
            elif extra and item.filename in extra.get("edit", {}):
                data = extra["edit"][item.filename](data.decode("utf-8")).encode("utf-8")
            zout.writestr(item, data)
        for name, data in (extra or {}).get("add", {}).items():
            zout.writestr(name, data)
    os.replace(tmp, path)


def understate(source, path, part):
    """A copy whose zip headers (local and central) claim the part inflates to 100 bytes."""
    data = bytearray(open(source, "rb").read())
    with zipfile.ZipFile(source) as z:
        local = z.getinfo(part).header_offset
    central = data.rfind(part.encode()) - 46
    assert data[central:central + 4] == b"PK\x01\x02"
    struct.pack_into("<I", data, local + 22, 100)
    struct.pack_into("<I", data, central + 24, 100)
    open(path, "wb").write(data)


def shared(path):
    """Shared formulas and a calculation chain, as the desktop spreadsheet writes them."""
    wb = Workbook()
    ws = wb.active
    ws.title = "Calc"
    for r in range(1, 6):
        ws.cell(row=r, column=1, value=r)
    wb.save(path)
    cells = ['<c r="B1"><f t="shared" ref="B1:B5" si="0">A1*2</f><v>2</v></c>'] + [
        '<c r="B%d"><f t="shared" si="0"/><v>%d</v></c>' % (r, 2 * r) for r in range(2, 6)]

    def edit(xml):
        for i, c in enumerate(cells, start=1):
            xml = re.sub(r'(<c r="A%d"[^>]*>.*?</c>)' % i, lambda m: m.group(1) + c, xml, count=1)
        return xml

    calc = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<calcChain xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><c r="B1" i="1"/></calcChain>'
    extra = {
        "add": {"xl/calcChain.xml": calc},
        "edit": {
            "[Content_Types].xml": lambda x: x.replace("</Types>", '<Override PartName="/xl/calcChain.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/></Types>'),
            "xl/_rels/workbook.xml.rels": lambda x: x.replace("</Relationships>", '<Relationship Id="rId99" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain" Target="calcChain.xml"/></Relationships>'),
        },
    }
    rewrite_part(path, "xl/worksheets/sheet1.xml", edit, extra)


def prefixed(path):
    """Elements with a namespace prefix, as some generators write them."""
    wb = Workbook()
    wb.active.title = "Prefixed"
    wb.active["A1"] = 1
    wb.save(path)
    sheet = ('<?xml version="1.0" encoding="UTF-8"?>\n<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
             '<x:dimension ref="A1:B2"/><x:sheetData><x:row r="1"><x:c r="A1"><x:v>1</x:v></x:c></x:row>'
             '<x:row r="2"><x:c r="B2"><x:f>A1*2</x:f><x:v>2</x:v></x:c></x:row></x:sheetData>'
             '<x:mergeCells count="1"><x:mergeCell ref="A3:B3"/></x:mergeCells></x:worksheet>')
    rewrite_part(path, "xl/worksheets/sheet1.xml", lambda x: sheet)


def basic_without(work, name, part):
    """An open copy of basic.xlsx lacking one part."""
    z = zipfile.ZipFile(os.path.join(work, name), "w", zipfile.ZIP_DEFLATED)
    with zipfile.ZipFile(os.path.join(work, "basic.xlsx")) as src:
        for item in src.infolist():
            if item.filename != part:
                z.writestr(item, src.read(item.filename))
    return z


LOL = ('<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol"><!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">'
       '<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">]>')
DEPTH = 300000
# Copies of basic.xlsx with one part edited: name, part, edit.
EDITED = [
    ("bottom.xlsx", "xl/worksheets/sheet1.xml",
     lambda x: x.replace('<mergeCells count="1">', '<mergeCells count="2"><mergeCell ref="A1048576:B1048576"/>')),
    ("malformed.xlsx", "xl/workbook.xml", lambda x: x.replace("</workbook>", "")),
    ("entities.xlsx", "xl/workbook.xml", lambda x: LOL + x[x.index("<workbook"):].replace('"template"', "&lol3;", 1)),
    ("deep.xlsx", "xl/worksheets/sheet3.xml",
     lambda x: x.replace("<sheetData>", "<extLst>" + "<a>" * DEPTH + "</a>" * DEPTH + "</extLst><sheetData>", 1)),
]


def main():
    out = sys.argv[1]
    os.makedirs(os.path.dirname(os.path.abspath(out)) or ".", exist_ok=True)
    work = tempfile.mkdtemp(prefix="templates-", dir=os.path.dirname(os.path.abspath(out)))
    for name, make in [("basic.xlsx", basic), ("date1904.xlsx", date1904), ("features.xlsx", features),
                       ("shared.xlsx", shared), ("prefixed.xlsx", prefixed)]:
        make(os.path.join(work, name))
    # The fixtures of the broken-input tests.
    with open(os.path.join(work, "text.xlsx"), "w") as f:
        f.write("just some text\n")
    with open(os.path.join(work, "basic.xlsx"), "rb") as f:
        data = f.read()
    with open(os.path.join(work, "truncated.xlsx"), "wb") as f:
        f.write(data[: len(data) // 2])
    with open(os.path.join(work, "old.xls"), "wb") as f:
        f.write(b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 504)
    with basic_without(work, "bomb.xlsx", "xl/worksheets/sheet1.xml") as z:
        with z.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as part:
            for _ in range(1100):
                part.write(b" " * (1 << 20))
    basic_without(work, "noworkbook.xlsx", "xl/workbook.xml").close()
    understate(os.path.join(work, "basic.xlsx"), os.path.join(work, "understated.xlsx"), "xl/worksheets/sheet1.xml")
    for name, part, edit in EDITED:
        shutil.copy(os.path.join(work, "basic.xlsx"), os.path.join(work, name))
        rewrite_part(os.path.join(work, name), part, edit)
    with zipfile.ZipFile(os.path.join(work, "docx.xlsx"), "w") as z:
        z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
        z.writestr("_rels/.rels", '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>')
        z.writestr("word/document.xml", "<document/>")
    with zipfile.ZipFile(os.path.join(work, "manyparts.xlsx"), "w") as z:
        for i in range(10050):
            z.writestr("x/%d.xml" % i, "")
    # Publish all at once so that concurrent test processes never see half.
    if os.path.isdir(out):
        shutil.rmtree(out, ignore_errors=True)
    try:
        os.rename(work, out)
    except OSError:
        shutil.rmtree(work, ignore_errors=True)  # another process won the race


if __name__ == "__main__":
    main()
