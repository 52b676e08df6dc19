#!/usr/bin/python3
"""Writes the benchmark's templates: an empty report with a header row, and
a sheet of 1,000 formula rows to insert above."""
import sys

from openpyxl import Workbook


def fill_template(path, columns):
    wb = Workbook()
    ws = wb.active
    ws.title = "Data"
    for c in range(1, columns + 1):
        ws.cell(row=1, column=c, value="Column %d" % c)
    wb.save(path)


def insert_template(path):
    wb = Workbook()
    ws = wb.active
    ws.title = "Data"
    ws["A1"] = "Header"
    for r in range(2, 1002):
        ws.cell(row=r, column=1, value=r)
        ws.cell(row=r, column=2, value="=A%d*2" % r)
        ws.cell(row=r, column=3, value="=SUM($A$2:A%d)" % r)
    ws["D1"] = "=SUM(A2:A1001)"
    other = wb.create_sheet("Totals")
    other["A1"] = "=SUM(Data!C2:C1001)"
    wb.save(path)


if __name__ == "__main__":
    fill_template(sys.argv[1] + "/fill.xlsx", int(sys.argv[2]))
    insert_template(sys.argv[1] + "/insert.xlsx")
