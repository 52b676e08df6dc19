#!/usr/bin/python3
"""The Python peer of a whole run: the same query through pyodbc, the cells
written with openpyxl into the template, saved as the report.
pyodbc_openpyxl_peer.py DSN QUERY TEMPLATE REPORT [insert]"""
import sys

import pyodbc
from openpyxl import load_workbook

dsn, query, template, report = sys.argv[1:5]
insert = len(sys.argv) > 5
rows = pyodbc.connect("DSN=" + dsn).cursor().execute(query).fetchall()
book = load_workbook(template)
sheet = book["Sheet1"]
if insert and len(rows) > 2:
    sheet.insert_rows(3, len(rows) - 2)
for r, record in enumerate(rows, start=2):
    for c, value in enumerate(record, start=1):
        sheet.cell(row=r, column=c, value=value)
book.save(report)
