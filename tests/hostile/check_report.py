#!/usr/bin/python3
"""Tells what a report file on disk is after an interrupted run:
check_report.py REPORT ROWS prints absent, template or complete, and exits 1
for anything else (a half-written or corrupt file)."""
import os
import sys
import zipfile

from openpyxl import load_workbook

path, rows = sys.argv[1], int(sys.argv[2])
if not os.path.exists(path):
    print("absent")
    sys.exit(0)
try:
    with zipfile.ZipFile(path) as package:
        if package.testzip() is not None:
            raise ValueError("a part fails its checksum")
    book = load_workbook(path, read_only=True)
    sheet = book["Sheet1"]
    first = sheet.cell(row=2, column=1).value
    last = sheet.cell(row=rows + 1, column=10).value
except Exception as error:  # anything unreadable is a broken report
    print("corrupt: %s" % error)
    sys.exit(1)
if first is None and last is None:
    print("template")
elif first == 1 and last == rows * 10:
    print("complete")
else:
    print("partial: first %r last %r" % (first, last))
    sys.exit(1)
