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
import warnings
import zipfile

from openpyxl import Workbook
from openpyxl.chart import BarChart, Reference
from openpyxl.comments import Comment
from openpyxl.formatting.rule import CellIsRule
from openpyxl.styles import Font, PatternFill, Protection
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


def sheet(wb, title, cells, ws=None):
    """A new sheet (or ws renamed) holding cells, a dict of values by reference."""
    ws = ws or wb.create_sheet(title)
    ws.title = title
    for ref, value in cells.items():
        ws[ref] = value
    return ws


def basic(path):
    wb = Workbook()
    # F2 reaches the last columns, for column insertion.
    ws = sheet(wb, "Data", {"A1": "Name", "B1": "Amount", "A2": "first", "B2": 1, "A3": "second", "B3": 2,
                            "B4": "=SUM(B2:B3)", "C4": "=$B$2+B3+SUM($B:$B)-SUM(2:2)", "D2": 5,
                            "F2": "=SUM(A1:XFA1)", "A6": "merged title", "G2": "link"}, wb.active)
    ws["A1"].font = Font(bold=True)
    for ref in ("B2", "B3"):
        ws[ref].fill = PatternFill("solid", fgColor="FFFF00")
    ws["D2"].number_format = "0.00"
    ws["E2"].font = Font(italic=True)  # styled, empty, General
    ws.merge_cells("A6:C6")
    ws.conditional_formatting.add("B2:B3", CellIsRule(operator="greaterThan", formula=["$B$2"], fill=PatternFill("solid", fgColor="FF0000")))
    dv = DataValidation(type="whole", operator="between", formula1="0", formula2="$B$3")
    dv.add("B2:B3")
    dv.prompt = 'Say "yes" & <go>'  # an attribute that needs every escape
    ws.add_data_validation(dv)
    ws["G2"].hyperlink = "https://example.org/"
    ws.auto_filter.ref = "A1:B3"
    ws.freeze_panes = "A2"
    ws.row_dimensions[2].height = 30
    ws.column_dimensions["B"].width = 20
    ws["H3"].comment = Comment("a note", "tester")
    ws.print_title_rows = "1:1"
    ws.print_area = "A1:D4"
    sheet(wb, "Other Sheet", {"A1": "=Data!B2+'Data'!B3", "A2": "=SUM(Data!B2:B3)+A1", "A3": "=SUM(Data!$A:$A)+B1",
                              "B1": 7, "A4": "=SUM(Data!B4:B9)"})
    sheet(wb, "Summary", {"A1": "=SUM('Other Sheet'!A1:A2)"})
    add_name(wb, "Total", '"template"')
    add_name(wb, "Amounts", "Data!$B$2:$B$3")
    add_name(wb, "LocalName", "Data!$A$1", sheet_index=0)
    wb.save(path)


def date1904(path):
    wb = Workbook()
    wb.epoch = CALENDAR_MAC_1904
    sheet(wb, "Dates", {"A1": "x"}, wb.active)
    wb.save(path)


def features(path):
    """A table and a chart over a two-row data area."""
    wb = Workbook()
    ws = sheet(wb, "Sales", {"A1": "Item", "B1": "Qty", "A2": "a", "B2": 1, "A3": "b", "B3": 2, "B4": "=SUM(B2:B3)"}, wb.active)
    ws.add_table(Table(displayName="SalesTable", ref="A1:B3"))
    chart = BarChart()
    chart.add_data(Reference(ws, min_col=2, min_row=1, max_row=3), titles_from_data=True)
    chart.set_categories(Reference(ws, min_col=1, min_row=2, max_row=3))
    ws.add_chart(chart, "D2")
    wb.save(path)


def rewrite(path, edits, add=None, out=None):
    """Copies a package to out (or over itself), each part named in edits
    rewritten by its function (or left out for None), the parts in add added."""
    tmp = (out or path) + ".tmp"
    with zipfile.ZipFile(path) as zin, zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            if item.filename not in edits:
                zout.writestr(item, zin.read(item.filename))
            elif edits[item.filename]:
                zout.writestr(item, edits[item.filename](zin.read(item.filename).decode("utf-8")).encode("utf-8"))
        for name, data in (add or {}).items():
            zout.writestr(name, data)
    os.replace(tmp, out or path)


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


CALC_CHAIN = ("application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml",
              "http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain")


def shared(path):
    """Shared formulas and a calculation chain, as the desktop spreadsheet writes them."""
    wb = Workbook()
    sheet(wb, "Calc", {"A%d" % r: r for r in range(1, 6)}, wb.active)
    wb.save(path)

    def add_formulas(xml):
        for r in range(1, 6):
            f = '<f t="shared" ref="B1:B5" si="0">A1*2</f>' if r == 1 else '<f t="shared" si="0"/>'
            xml = re.sub(r'(<c r="A%d"[^>]*>.*?</c>)' % r, lambda m: m.group(1) + '<c r="B%d">%s<v>%d</v></c>' % (r, f, 2 * r),
                         xml, count=1)
        return xml

    rewrite(path, {
        "xl/worksheets/sheet1.xml": add_formulas,
        "[Content_Types].xml": lambda x: x.replace(
            "</Types>", '<Override PartName="/xl/calcChain.xml" ContentType="%s"/></Types>' % CALC_CHAIN[0]),
        "xl/_rels/workbook.xml.rels": lambda x: x.replace(
            "</Relationships>", '<Relationship Id="rId99" Type="%s" Target="calcChain.xml"/></Relationships>' % CALC_CHAIN[1]),
    }, add={"xl/calcChain.xml": '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<calcChain '
                                'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><c r="B1" i="1"/></calcChain>'})


# Formulas of an untouched sheet with the results a template was saved with:
# (cell, formula, cached result, type attribute).
RESULTS = [("B1", "SUM(A1:A2)", "99", ""), ("B2", 'TEXT(A1,"0")', "5", "str"), ("B3", "NOW()", "1", ""),
           ("B4", "MYMACRO(A1)", "3", ""), ("B5", 'TEXT(Data!A1,"0")', "1", "str"), ("B6", "Data!A1*2", "2", ""),
           ("B7", 'B2&"x"', "5x", "str"), ("B8", "A1/0", "#DIV/0!", "e"), ("B9", 'Total&""', "old", "str"),
           ("B10", "INDIRECT(\"A1\")", "5", "")]


def results(path):
    """A sheet the run never touches, its formulas carrying saved results."""
    wb = Workbook()
    sheet(wb, "Data", {"A1": 1}, wb.active)
    static = sheet(wb, "Static", {"A1": 5, "A2": 7})
    for ref, formula, _, _ in RESULTS:
        static[ref] = "=" + formula
    add_name(wb, "Total", '"old"')
    wb.save(path)

    def cache(xml):
        for ref, formula, value, kind in RESULTS:
            t = ' t="%s"' % kind if kind else ""
            xml = re.sub(r'<c r="%s"([^>]*)><f>(.*?)</f><v\s*/?>(</v>)?' % ref,
                         lambda m: '<c r="%s"%s%s><f>%s</f><v>%s</v>' % (ref, m.group(1), t, m.group(2), value), xml)
        return xml
    rewrite(path, {"xl/worksheets/sheet2.xml": cache})


def prefixed(path):
    """Elements with a namespace prefix, as some generators write them, and
    relationship ids under a prefix other than r:."""
    wb = Workbook()
    sheet(wb, "Prefixed", {}, wb.active)
    wb.save(path)
    xml = ('<?xml version="1.0" encoding="UTF-8"?>\n<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
             '<x:dimension ref="A1:B2"/><x:sheetData><x:row r="1"><x:c r="A1"><x:v>1</x:v></x:c></x:row>'
             '<x:row r="2"><x:c r="B2"><x:f>A1*2</x:f><x:v>2</x:v></x:c></x:row></x:sheetData>'
             '<x:mergeCells count="1"><x:mergeCell ref="A3:B3"/></x:mergeCells></x:worksheet>')
    rewrite(path, {"xl/worksheets/sheet1.xml": lambda x: xml,
                   "xl/workbook.xml": lambda x: x.replace("xmlns:r=", "xmlns:rel=").replace(" r:id=", " rel:id=")})


def guarded(path):
    """What the desktop spreadsheet refuses to write into: arrays over B1:B2
    and D1:E1 (F1 holds one of a single cell), dynamic arrays spilled from
    C2 and C3 with their cached results, and a protected sheet whose B1 and
    B5 are unlocked."""
    wb = Workbook()
    ws = sheet(wb, "Arrays", {"A1": 1, "A2": 2, "B1": "=A1", "D1": "=A1*2", "F1": "=A1"}, wb.active)
    for ref, area in (("B1", "B1:B2"), ("D1", "D1:E1"), ("F1", "F1")):
        ws.formula_attributes[ref] = {"t": "array", "ref": area}
    sheet(wb, "Spill", {"A2": "x"})
    locked = sheet(wb, "Locked", {"A1": "locked", "B1": "unlocked"})
    locked.protection.sheet = True
    for ref in ("B1", "B5"):
        locked[ref].protection = Protection(locked=False)
    wb.save(path)
    spills = ('<row r="2"><c r="A2" t="inlineStr"><is><t>x</t></is></c><c r="C2" cm="1" t="str"><f t="array" ref="C2:D2">'
              '_xlfn.XLOOKUP(A2,A5:A6,B5:C6)</f><v>Sales</v></c><c r="D2" t="str"><v>Finance</v></c></row>'
              '<row r="3"><c r="C3" cm="1"><f t="array" ref="C3:D3">_xlfn.SEQUENCE(1,2)</f><v>1</v></c><c r="D3"><v>2</v></c></row>')
    rewrite(path, {"xl/worksheets/sheet2.xml": lambda x: re.sub(r"<sheetData>.*</sheetData>|<sheetData ?/>",
                                                                "<sheetData>%s</sheetData>" % spills, x)})


PIVOT_TABLE = ('<?xml version="1.0" encoding="UTF-8"?>\n<pivotTableDefinition xmlns="http://schemas.openxmlformats.org/'
               'spreadsheetml/2006/main" name="Pivot1" cacheId="1" dataCaption="Values"><location ref="A1:F7" '
               'firstHeaderRow="1" firstDataRow="1" firstDataCol="1"/></pivotTableDefinition>')


def streamed(source, path):
    """A copy written as a stream writer does (data descriptors after the
    data), whose local headers then give the size but no checksum: every
    reader takes both from the central directory."""
    class Unseekable:
        def __init__(self, f):
            self.f = f

        def write(self, b):
            return self.f.write(b)

        def flush(self):
            self.f.flush()
    with zipfile.ZipFile(source) as src, open(path, "wb") as f, zipfile.ZipFile(Unseekable(f), "w", zipfile.ZIP_DEFLATED) as z:
        for item in src.infolist():
            z.writestr(item.filename, src.read(item.filename))
    data = bytearray(open(path, "rb").read())
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            struct.pack_into("<I", data, info.header_offset + 22, info.file_size)
    open(path, "wb").write(data)


def compound_file(path, stream):
    """An OLE compound file of 512-byte sectors holding one stream of 4096
    zero bytes: the container of an encrypted package when the stream is
    named EncryptedPackage."""
    free, end, fat_sector, none = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF
    header = struct.pack("<8s16sHHHHH6sIIIIIIIIII", b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", b"\0" * 16, 0x3E, 3, 0xFFFE,
                         9, 6, b"\0" * 6, 0, 1, 1, 0, 4096, end, 0, end, 0, 0)
    header += struct.pack("<108I", *([free] * 108))
    fat = [fat_sector, end] + [3, 4, 5, 6, 7, 8, 9, end]
    fat_bytes = struct.pack("<128I", *(fat + [free] * (128 - len(fat))))

    def entry(name, kind, child, start, size):
        encoded = name.encode("utf-16-le") + b"\0\0"
        return struct.pack("<64sHBBIII16sIQQIQ", encoded, len(encoded), kind, 1, none, none, child, b"\0" * 16, 0, 0, 0,
                           start, size)
    directory = entry("Root Entry", 5, 1, end, 0) + entry(stream, 2, none, 2, 4096) + b"\0" * 256
    open(path, "wb").write(header + fat_bytes + directory + b"\0" * 4096)


def golden(path):
    """The hand-made template of the golden-package test, packed in name order."""
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "golden", "template")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for folder, _, names in sorted(os.walk(root)):
            for name in sorted(names):
                z.write(os.path.join(folder, name), os.path.relpath(os.path.join(folder, name), root))


def bomb(basic, path):
    """A sheet part that inflates to 1.1 GB."""
    rewrite(basic, {"xl/worksheets/sheet1.xml": None}, out=path)
    with zipfile.ZipFile(path, "a", zipfile.ZIP_DEFLATED) as z, z.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as part:
        for _ in range(1100):
            part.write(b" " * (1 << 20))


LOL = ('<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol"><!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">'
       '<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">]>')
DEPTH = 300000
# Copies of basic.xlsx with parts edited (or left out).
EDITED = [
    ("bottom.xlsx", {"xl/worksheets/sheet1.xml": lambda x: x.replace(
        '<mergeCells count="1">', '<mergeCells count="2"><mergeCell ref="A1048576:B1048576"/>')}),
    ("malformed.xlsx", {"xl/workbook.xml": lambda x: x.replace("</workbook>", "")}),
    ("entities.xlsx", {"xl/workbook.xml": lambda x: LOL + x[x.index("<workbook"):].replace('"template"', "&lol3;", 1)}),
    ("deep.xlsx", {"xl/worksheets/sheet3.xml": lambda x: x.replace(
        "<sheetData>", "<extLst>" + "<a>" * DEPTH + "</a>" * DEPTH + "</extLst><sheetData>", 1)}),
    ("noworkbook.xlsx", {"xl/workbook.xml": None}),
    # A sheet entry without a part, in a workbook that opens elsewhere.
    ("unusedbroken.xlsx", {"xl/workbook.xml": lambda x: x.replace("</sheets>", '<sheet name="Module" sheetId="9" r:id=""/></sheets>')}),
    ("prestandard.xlsx", {"xl/workbook.xml": lambda x: x.replace(
        "http://schemas.openxmlformats.org/spreadsheetml/2006/main", "http://schemas.microsoft.com/office/excel/2006/2")}),
]
# Packages of other parts: name, parts.
OTHER_PACKAGES = [
    ("docx.xlsx", [
        ("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>'),
        ("_rels/.rels", '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>'),
        ("word/document.xml", "<document/>")]),
    ("manyparts.xlsx", [("x/%d.xml" % i, "") for i in range(10050)]),
]


def main():
    out = sys.argv[1]
    os.makedirs(os.path.dirname(os.path.abspath(out)) or ".", exist_ok=True)
    work = tempfile.mkdtemp(prefix="templates-", dir=os.path.dirname(os.path.abspath(out)))
    for name, make in [("basic.xlsx", basic), ("date1904.xlsx", date1904), ("features.xlsx", features),
                       ("shared.xlsx", shared), ("prefixed.xlsx", prefixed), ("golden.xlsx", golden),
                       ("guarded.xlsx", guarded), ("results.xlsx", results)]:
        make(os.path.join(work, name))
    # The fixtures of the broken-input tests.
    basic_file = os.path.join(work, "basic.xlsx")
    data = open(basic_file, "rb").read()
    for name, content in [("text.xlsx", b"just some text\n"), ("truncated.xlsx", data[: len(data) // 2])]:
        open(os.path.join(work, name), "wb").write(content)
    bomb(basic_file, os.path.join(work, "bomb.xlsx"))
    understate(basic_file, os.path.join(work, "understated.xlsx"), "xl/worksheets/sheet1.xml")
    for name, edits in EDITED:
        rewrite(basic_file, edits, out=os.path.join(work, name))
    rewrite(basic_file, {"xl/worksheets/sheet3.xml": lambda x: x}, out=os.path.join(work, "pivot.xlsx"), add={
        "xl/pivotTables/pivotTable1.xml": PIVOT_TABLE,
        "xl/worksheets/_rels/sheet3.xml.rels": '<?xml version="1.0"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/'
        'package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
        'relationships/pivotTable" Target="../pivotTables/pivotTable1.xml"/></Relationships>'})
    with warnings.catch_warnings():  # the duplicate is the point
        warnings.simplefilter("ignore")
        rewrite(basic_file, {}, out=os.path.join(work, "duplicate.xlsx"), add={"xl/styles.xml": "<styleSheet/>"})
    streamed(basic_file, os.path.join(work, "streamed.xlsx"))
    compound_file(os.path.join(work, "encrypted.xlsx"), "EncryptedPackage")
    compound_file(os.path.join(work, "old.xls"), "Workbook")
    for name, parts in OTHER_PACKAGES:
        with zipfile.ZipFile(os.path.join(work, name), "w") as z:
            for part, text in parts:
                z.writestr(part, text)
    # Publish all at once so that concurrent test processes never see half.
    if os.path.isdir(out):
        shutil.rmtree(out, ignore_errors=True)
    try:
        os.rename(work, out)
    except OSError:
        shutil.rmtree(work, ignore_errors=True)  # another process won the race


if __name__ == "__main__":
    main()
