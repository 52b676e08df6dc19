#!/usr/bin/python3
"""The openpyxl peer: loads the template, writes the same cells, saves.
Prints the seconds it took (interpreter start-up excluded)."""
import datetime
import sys
import time

start = time.perf_counter()
import openpyxl  # noqa: E402

template, output, rows, columns = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
wb = openpyxl.load_workbook(template)
ws = wb["Data"]
for r in range(rows):
    for c in range(columns):
        kind = c % 4
        if kind == 0:
            v = r * columns + c
        elif kind == 1:
            v = r + c / 8.0
        elif kind == 2:
            v = ("customer %d" % r) if c == 2 else ("item %d-%d" % (r % 1000, c))
        else:
            v = datetime.datetime(2000 + r % 20, 1 + r % 12, 1 + r % 28)
        ws.cell(row=2 + r, column=1 + c, value=v)
wb.save(output)
print(time.perf_counter() - start)
