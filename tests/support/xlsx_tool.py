#!/usr/bin/python3
"""Makes and reads workbooks for the tests, with openpyxl as the reader that
does not share a line of code with the engine.

  xlsx_tool.py make PATH SPEC_JSON   writes a workbook from a spec
  xlsx_tool.py dump PATH             prints cells, names, merged ranges, charts
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
        for ref, fmt in sheet_spec.get("formats", {}).items():
            sheet[ref].number_format = fmt
        for merged in sheet_spec.get("merged", []):
            sheet.merge_cells(merged)
        chart_spec = sheet_spec.get("chart")
        if chart_spec:
            chart = BarChart()
            min_col, min_row, max_col, max_row = range_boundaries(chart_spec["data"])
            chart.add_data(Reference(sheet, min_col=min_col, min_row=min_row,
                                     max_col=max_col, max_row=max_row), titles_from_data=True)
            min_col, min_row, max_col, max_row = range_boundaries(chart_spec["categories"])
            chart.set_categories(Reference(sheet, min_col=min_col, min_row=min_row,
                                           max_col=max_col, max_row=max_row))
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
    value, number format), defined names, merged ranges, chart anchors."""
    book = load_workbook(path)
    lines = []
    for sheet in book.worksheets:
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is not None:
                    lines.append("\t".join(("cell", sheet.title, cell.coordinate, cell.data_type,
                                            text_of(cell.value), cell.number_format)))
        for merged in sorted(str(r) for r in sheet.merged_cells.ranges):
            lines.append("\t".join(("merged", sheet.title, merged)))
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
    command = sys.argv[1]
    if command == "make":
        make(sys.argv[2], json.loads(sys.argv[3]))
    elif command == "dump":
        dump(sys.argv[2])
    elif command == "csv":
        recalculated_csv(sys.argv[2], sys.argv[3])
    else:
        sys.exit("unknown command " + command)
