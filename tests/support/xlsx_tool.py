#!/usr/bin/python3
"""Workbooks for the tests, made and read by openpyxl, which shares no code
with the engine.
  xlsx_tool.py make PATH SPEC_JSON   writes a workbook from a spec
  xlsx_tool.py dump PATH             prints cells, names and charts
  xlsx_tool.py csv PATH SHEET        prints LibreOffice's recalculated values

A spec: {"sheets": [{"name": "Sheet1", "cells": {"A1": 1, "A7": "=SUM(A5:A6)"},
          "chart": {"anchor": "A9", "data": "B4:B6", "categories": "A5:A6"}}],
         "names": {"Total": "\"x\""}}
"""
import datetime
import json
import os
import shutil
import subprocess
import sys
import tempfile

from openpyxl import Workbook, load_workbook
from openpyxl.chart import BarChart, Reference
from openpyxl.utils.cell import range_boundaries
from openpyxl.workbook.defined_name import DefinedName


def make(path, spec):
    book = Workbook()
    book.remove(book.active)
    for sheet_spec in spec.get("sheets", [{"name": "Sheet1"}]):
        sheet = book.create_sheet(sheet_spec["name"])
        for ref, value in sheet_spec.get("cells", {}).items():
            sheet[ref] = value
        chart_spec = sheet_spec.get("chart")
        if chart_spec:
            chart = BarChart()
            chart.add_data(Reference(sheet, *range_boundaries(chart_spec["data"])), titles_from_data=True)
            chart.set_categories(Reference(sheet, *range_boundaries(chart_spec["categories"])))
            sheet.add_chart(chart, chart_spec["anchor"])
    for name, text in spec.get("names", {}).items():
        book.defined_names.append(DefinedName(name, attr_text=text))
    book.save(path)


def text_of(value):
    if isinstance(value, (datetime.datetime, datetime.date, datetime.time)):
        return value.isoformat(sep=" ") if isinstance(value, datetime.datetime) else value.isoformat()
    if isinstance(value, bool):
        return "TRUE" if value else "FALSE"
    return str(value).replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def dump(path):
    """One line per fact, tab-separated: cells (sheet, reference, type,
    value), defined names, chart anchors."""
    book = load_workbook(path)
    lines = []
    for sheet in book.worksheets:
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is not None:
                    lines.append("\t".join(("cell", sheet.title, cell.coordinate, cell.data_type,
                                            text_of(cell.value))))
        for chart in sheet._charts:
            marker = chart.anchor._from
            lines.append("\t".join(("chart", sheet.title, "%d,%d" % (marker.row + 1, marker.col + 1))))
    for name in book.defined_names.definedName:
        lines.append("\t".join(("name", name.name, name.attr_text)))
    sys.stdout.write("".join(line + "\n" for line in lines))


def recalculated_csv(path, sheet):
    """The sheet's values after LibreOffice has recalculated every formula."""
    out = tempfile.mkdtemp()
    try:
        env = dict(os.environ, HOME=out)
        source = os.path.join(out, "in.xlsx")
        shutil.copy(path, source)
        book = load_workbook(source)
        index = book.sheetnames.index(sheet) + 1
        subprocess.run(["soffice", "--headless", "--norestore", "--convert-to",
                        'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,%d' % index,
                        "--outdir", out, source],
                       check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=180)
        candidates = [f for f in os.listdir(out) if f.endswith(".csv")]
        with open(os.path.join(out, candidates[0]), encoding="utf-8") as f:
            sys.stdout.write(f.read())
    finally:
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    commands = {"make": lambda path, spec: make(path, json.loads(spec)), "dump": dump, "csv": recalculated_csv}
    if sys.argv[1] not in commands:
        sys.exit("unknown command " + sys.argv[1])
    commands[sys.argv[1]](*sys.argv[2:])
