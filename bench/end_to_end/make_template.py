#!/usr/bin/python3
"""The benchmark's template: a header row, a two-row data area from row 2,
a total below it, 1,000 rows of formulas under the total and 100 totals
over whole columns (SUM, SUMIF) and lookups into the data area below them."""
import sys

from openpyxl import Workbook

book = Workbook()
sheet = book.active
sheet.title = "Sheet1"
for c in range(1, 21):
    sheet.cell(row=1, column=c, value="column %d" % c)
sheet["A4"] = "Total"
sheet["C4"] = "=SUM(C2:C3)"
for r in range(5, 1005):
    sheet.cell(row=r, column=1, value="=C4*%d" % r)
    sheet.cell(row=r, column=2, value="=SUM($C$2:C3)+%d" % r)
for r in range(1005, 1105):
    sheet.cell(row=r, column=1, value="=SUM(C:C)+%d" % r)
    sheet.cell(row=r, column=2, value='=SUMIF(F:F,"region %d",G:G)' % (r % 9))
    sheet.cell(row=r, column=3, value="=VLOOKUP(%d,$A$2:$T$3,8,FALSE)" % (r * 7))
book.save(sys.argv[1])
