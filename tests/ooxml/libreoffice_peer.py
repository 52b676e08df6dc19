#!/usr/bin/python3
"""LibreOffice as the peer of the workbook engine, with a fresh profile and
default settings for every process.

  templates OUT     templates saved by LibreOffice (--convert-to xlsx, a pivot
                    table added through UNO, a few parts spelled as others do)
  cases             the insertion cases: name template sheet axis at count
  compare TPL OURS  each case made by LibreOffice's engine (UNO insertByIndex)
                    and its structures compared with the engine's OURS/NAME.xlsx
                    (NAME.refused holds the reason of a refused insertion)"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile
from html import unescape  # the XML escapes are a subset

from openpyxl import Workbook
from openpyxl.formatting.rule import ColorScaleRule, DataBarRule, IconSetRule
from openpyxl.worksheet.datavalidation import DataValidation
from openpyxl.worksheet.table import Table

from make_templates import add_name, rewrite, sheet

# name, template, sheet, rows|columns, at, count, structures compared, and
# where the desktop spreadsheet and LibreOffice 7.4 differ, what the engine
# must show instead (it follows the desktop spreadsheet).
CASES = [
    ("above_all", "lo_structures.xlsx", "Data", "rows", 2, 3, "pivot cf cf_ext dv outline links formulas pane spark",
     # LibreOffice 7.4 leaves validation formulas and sparklines where they
     # were, and without a window it keeps no pane.
     {"dv": [("G11:G15", "$A$13:$A$15"), ("G5:G8", "$A$1:$A$7")], "pane": [("1", "8", "B9")],
      "spark": [("Data!C13:C17", "I13")]}),
    ("in_group", "lo_structures.xlsx", "Data", "rows", 8, 2, "outline cf cf_ext formulas pivot", {}),
    # LibreOffice adds rows inserted just below a group to the group.
    ("below_group", "lo_structures.xlsx", "Data", "rows", 9, 1, "outline", {"outline": [5, 6, 7, 8]}),
    ("columns", "lo_structures.xlsx", "Data", "columns", 4, 2, "cf cf_ext dv links formulas pivot pane",
     {"pane": [("1", "5", "B6")]}),
    ("split_pivot", "lo_structures.xlsx", "Data", "columns", 2, 1, "refused", {"why": "pivot table in A32:B52"}),
    ("split_array", "lo_structures.xlsx", "Data", "rows", 4, 1, "refused", {"why": "array formula in F3:F6"}),
    ("protected", "lo_structures.xlsx", "Locked", "rows", 2, 1, "refused", {"why": "the worksheet is protected"}),
    # Inserted one at a time, LibreOffice leaves the newest name leftmost;
    # the engine gives the lowest free names left to right.
    ("table_column", "lo_structures.xlsx", "Table", "columns", 2, 2, "tablecols",
     {"tablecols": [["X", "Column2", "Column3", "Column1", "Z"]]}),
    ("spellings", "lo_structures.xlsx", "\u00c4rger \"Q\"", "rows", 11, 3, "formulas", {}),
    ("apostrophe", "lo_totals.xlsx", "Bob's", "rows", 3, 3, "formulas pivot", {}),
]


def structures_source(path):
    wb = Workbook()
    cells = {"H20": 5, "E12": "link", "F3": "=C3:C6*2", "B25": "=SUM(C1:C20)"}
    cells.update({"%s%d" % (column, r): r * factor for r in range(1, 21) for column, factor in (("A", 1), ("C", 2))})
    ws = sheet(wb, "Data", cells, wb.active)
    ws.conditional_formatting.add("C1:C19", ColorScaleRule(start_type="formula", start_value="$H$20", end_type="formula",
                                                           end_value="$C$12/10", start_color="FF0000", end_color="00FF00"))
    ws.conditional_formatting.add("A1:A19", DataBarRule(start_type="formula", start_value="$H$20", end_type="formula",
                                                        end_value="$C$12", color="638EC6"))
    ws.conditional_formatting.add("D1:D19", IconSetRule("3Arrows", "formula", ["0", "$H$20", "$C$12/10"]))
    dv = DataValidation(type="list", formula1="$A$1:$A$4")
    dv.add("G2:G5")
    ws.add_data_validation(dv)
    for r in range(5, 9):
        ws.row_dimensions[r].outlineLevel = 1
    ws["E12"].hyperlink = "#Data!C12"
    ws.formula_attributes["F3"] = {"t": "array", "ref": "F3:F6"}
    sheet(wb, "Locked", {"A1": "first", "A2": "second"}).protection.sheet = True
    sheet(wb, "Table", {"A1": "X", "B1": "Column1", "C1": "Z", "A2": 1, "B2": 2, "C2": 3, "A3": 4, "B3": 5, "C3": 6}).add_table(
        Table(displayName="Items", ref="A1:C3"))
    spelled = {"C%d" % r: r for r in range(10, 15)}
    spelled["C15"] = "=SUM(C10:C14)"
    sheet(wb, "\u00c4rger \"Q\"", spelled)
    sheet(wb, "Summary", {"A1": "='\u00c4rger \"Q\"'!C15", "A2": "=SUM('\u00c4rger \"Q\"'!C10:C14)",
                          "A3": "=Data!B25+SUM(Data!C1:C20)"})
    wb.save(path)


def totals_source(path):
    wb = Workbook()
    sheet(wb, "Bob's", {"A1": "Label", "B1": "Amount", "C1": "Count", "A2": "a", "B2": 1, "C2": 1, "A3": "b", "B3": 2,
                        "C3": 1, "A4": "Total", "B4": "=SUM(B2:B3)", "C4": "=SUM(C2:C3)"}, wb.active)
    # What a text name evaluates to, character by character.
    add_name(wb, "Note", '"-"')
    sheet(wb, "Summary", {"A1": "Total", "B1": "='Bob''s'!B4", "A2": "Twice", "B2": "=B1*2",
                          "A3": '=LEN(Note)&":"&CODE(MID(Note,2,1))&":"&CODE(MID(Note,4,1))&":"'
                                '&_xlfn.UNICODE(MID(Note,6,1))&":"&RIGHT(Note,3)'})
    wb.create_sheet("Pivot")
    wb.save(path)


class Office:
    """A headless LibreOffice reached through UNO, with its own profile."""

    def __init__(self, folder):
        import uno
        self.uno = uno
        pipe = "tallyvane%d" % os.getpid()
        self.proc = subprocess.Popen(["soffice", "-env:UserInstallation=file://" + folder + "/profile", "--headless",
                                      "--invisible", "--norestore", "--accept=pipe,name=%s;urp;" % pipe],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        for _ in range(240):
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                time.sleep(0.5)
        else:
            raise RuntimeError("LibreOffice did not answer")
        self.desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)

    def prop(self, name, value):
        p = self.uno.createUnoStruct("com.sun.star.beans.PropertyValue")
        p.Name, p.Value = name, value
        return p

    def load(self, path):
        return self.desktop.loadComponentFromURL(self.uno.systemPathToFileUrl(path), "_blank", 0,
                                                 (self.prop("Hidden", True),))

    def store(self, doc, path):
        doc.storeToURL(self.uno.systemPathToFileUrl(path), (self.prop("FilterName", "Calc MS Excel 2007 XML"),))
        doc.close(True)

    def add_pivot(self, doc, source_sheet, source_range, target_sheet, target_cell):
        """A pivot table of the sum of the source's second column by its first."""
        target = doc.Sheets.getByName(target_sheet)
        tables = target.getDataPilotTables()
        desc = tables.createDataPilotDescriptor()
        desc.setSourceRange(doc.Sheets.getByName(source_sheet).getCellRangeByName(source_range).getRangeAddress())
        label, data = (desc.getDataPilotFields().getByIndex(i) for i in (0, 1))
        label.Orientation = self.uno.Enum("com.sun.star.sheet.DataPilotFieldOrientation", "ROW")
        data.Orientation = self.uno.Enum("com.sun.star.sheet.DataPilotFieldOrientation", "DATA")
        data.Function = self.uno.Enum("com.sun.star.sheet.GeneralFunction", "SUM")
        tables.insertNewByName("Pivot%d" % tables.Count, target.getCellRangeByName(target_cell).getCellAddress(), desc)

    def __enter__(self):
        return self

    def __exit__(self, *error):
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.proc.wait(60)
        except subprocess.TimeoutExpired:
            self.proc.kill()


X14_VALIDATION = ('<ext xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main" '
                  'uri="{CCE6A557-97BC-4b89-ADB6-D9C93CAAB3DF}"><x14:dataValidations count="1" '
                  'xmlns:xm="http://schemas.microsoft.com/office/excel/2006/main"><x14:dataValidation type="list" '
                  'allowBlank="1"><x14:formula1><xm:f>$A$10:$A$12</xm:f></x14:formula1><xm:sqref>G8:G12</xm:sqref>'
                  '</x14:dataValidation></x14:dataValidations></ext>'
                  '<ext xmlns:x14="http://schemas.microsoft.com/office/spreadsheetml/2009/9/main" '
                  'uri="{05C60535-1F16-4fd2-B633-F4F36F0B64E0}"><x14:sparklineGroups '
                  'xmlns:xm="http://schemas.microsoft.com/office/excel/2006/main"><x14:sparklineGroup><x14:colorSeries '
                  'rgb="FF376092"/><x14:sparklines><x14:sparkline><xm:f>Data!C10:C14</xm:f><xm:sqref>I10</xm:sqref>'
                  '</x14:sparkline></x14:sparklines></x14:sparklineGroup></x14:sparklineGroups></ext>')
FROZEN = '<pane xSplit="1" ySplit="5" topLeftCell="B6" activePane="bottomRight" state="frozen"/>'


def spell_as_other_writers(path):
    """What LibreOffice never writes but other writers do: a character
    reference for a non-ASCII sheet name, a reference to it in other case,
    an unescaped quote in formula text, a frozen pane, an x14 validation."""
    def data_sheet(x):
        x = re.sub(r"(<sheetView [^>]*>)", lambda m: m.group(1) + FROZEN, x, count=1)
        return x.replace("</extLst></worksheet>", X14_VALIDATION + "</extLst></worksheet>")

    def summary(x):
        x = x.replace("&apos;\u00c4rger &quot;Q&quot;&apos;!C15", "&apos;&#196;rger \"Q\"&apos;!C15")
        return x.replace("SUM(&apos;\u00c4rger &quot;Q&quot;&apos;", "SUM(&apos;\u00e4rger &quot;q&quot;&apos;")

    parts = sheet_parts(zipfile.ZipFile(path))
    rewrite(path, {"xl/workbook.xml": lambda x: x.replace('name="\u00c4rger &quot;Q', 'name="&#196;rger &quot;Q'),
                   parts["Data"]: data_sheet, parts["Summary"]: summary})


def make_templates(out):
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="lo-templates-", dir=out, ignore_cleanup_errors=True) as work:
        with Office(work) as office:
            for name, make, pivot in (("lo_structures.xlsx", structures_source, ("Data", "A1:C20", "Data", "A30")),
                                      ("lo_totals.xlsx", totals_source, ("Bob's", "A1:B3", "Pivot", "A1"))):
                make(os.path.join(work, name))
                doc = office.load(os.path.join(work, name))
                office.add_pivot(doc, *pivot)
                office.store(doc, os.path.join(out, name))
        spell_as_other_writers(os.path.join(out, "lo_structures.xlsx"))


def sheet_parts(z):
    wbx = z.read("xl/workbook.xml").decode()
    rels = z.read("xl/_rels/workbook.xml.rels").decode()
    return {unescape(name): "xl/" + re.search(r'Id="%s"[^>]*Target="/?(xl/)?([^"]*)"' % rid, rels).group(2)
            for name, rid in re.findall(r'<sheet name="([^"]*)"[^>]*r:id="([^"]*)"', wbx)}


def describe(path, sheet):
    """The structures of a package that an insertion into sheet touches."""
    z = zipfile.ZipFile(path)
    parts = sheet_parts(z)
    x = z.read(parts[sheet]).decode()

    def parts_under(prefix):
        return [z.read(n).decode() for n in z.namelist() if n.startswith(prefix)]
    return {
        "cf": sorted((q, tuple(unescape(v) for v in re.findall(r'<cfvo [^>]*val="([^"]*)"', body)))
                     for q, body in re.findall(r'<conditionalFormatting sqref="([^"]*)">(.*?)</conditionalFormatting>', x)),
        "cf_ext": sorted((q, tuple(re.findall(r"<xm:f>([^<]*)</xm:f>", body)))
                         for body, q in re.findall(r"<x14:conditionalFormatting[^>]*>(.*?)<xm:sqref>([^<]*)</xm:sqref>", x)),
        "dv": sorted([(q, f) for q, f in re.findall(r'<dataValidation [^>]*sqref="([^"]*)"[^>]*>\s*<formula1>([^<]*)<', x)] +
                     [(q, f) for f, q in re.findall(r"<xm:f>([^<]*)</xm:f></x14:formula1>.*?<xm:sqref>([^<]*)<", x)]),
        "outline": [int(r) for r, lvl in re.findall(r'<row r="(\d+)"[^>]*?outlineLevel="(\d+)"', x) if lvl != "0"],
        "pane": [tuple(re.search(a + r'="([^"]*)"', p).group(1) for a in ("xSplit", "ySplit", "topLeftCell"))
                 for p in re.findall(r"<pane ([^>]*)/>", x)],
        "spark": re.findall(r"<x14:sparkline><xm:f>([^<]*)</xm:f><xm:sqref>([^<]*)<", x),
        "links": re.findall(r'<hyperlink ref="([^"]*)"[^>]*location="([^"]*)"', x),
        "tablecols": [re.findall(r'<tableColumn [^>]*name="([^"]*)"', t) for t in parts_under("xl/tables/")],
        "pivot": sorted(re.findall(r'<location ref="([^"]*)"', "".join(parts_under("xl/pivotTables/"))) +
                        re.findall(r'<worksheetSource ref="([^"]*)"', "".join(parts_under("xl/pivotCache/pivotCacheDefinition")))),
        # Sheet names compare without case; LibreOffice rewrites them in the sheet's own.
        "formulas": sorted((s, c, unescape(f).casefold()) for s, p in parts.items()
                           for c, f in re.findall(r'<c r="([A-Z]+\d+)"[^>]*><f[^>]*>([^<]+)</f>', z.read(p).decode())),
    }


def compare(templates, ours):
    failures = []
    with Office(ours) as office:
        for name, template, sheet, axis, at, count, keys, differences in CASES:
            # A copy of its own: LibreOffice opens a file another process
            # has locked read-only.
            copy = os.path.join(ours, name + ".template.xlsx")
            shutil.copy(os.path.join(templates, template), copy)
            doc = office.load(copy)
            target = doc.Sheets.getByName(sheet)
            span = target.Rows if axis == "rows" else target.Columns
            refused = False
            try:
                for _ in range(count):  # one row (column) at a time, as function 2 inserts
                    span.insertByIndex(at - 1, 1)
            except Exception:
                refused = True
            theirs = os.path.join(ours, name + ".lo.xlsx")
            office.store(doc, theirs)
            reason = os.path.join(ours, name + ".refused")
            why = open(reason).read() if os.path.exists(reason) else None
            expected = keys == "refused"
            if (refused, why is not None) != (expected, expected):
                failures.append("%s: LibreOffice refused %s, the engine refused %s" % (name, refused, why is not None))
                continue
            mine = describe(os.path.join(ours, name + ".xlsx"), sheet)
            if expected:
                if differences["why"] not in why or mine != describe(copy, sheet):
                    failures.append("%s: refused with %r, the package changed: %s" % (name, why, mine != describe(copy, sheet)))
                continue
            peer = describe(theirs, sheet)
            peer.update(differences)
            for key in keys.split():
                if mine[key] != peer[key]:
                    failures.append("%s %s:\n  engine       %s\n  LibreOffice  %s" % (name, key, mine[key], peer[key]))
    print("\n".join(failures))
    return 1 if failures else 0


def main():
    if sys.argv[1] == "templates":
        make_templates(sys.argv[2])
    elif sys.argv[1] == "cases":
        for case in CASES:
            print("\t".join(str(v) for v in case[:6]))
    elif sys.argv[1] == "compare":
        sys.exit(compare(sys.argv[2], sys.argv[3]))


if __name__ == "__main__":
    main()
