#!/usr/bin/python3
"""Real workbooks made by other programs, each the template of a report run:
function 2 on its first worksheet, then function 1 on its last.

  wild_workbooks_test.py PROGRAM FOLDER [LIBREOFFICE_COUNT]

No run may crash or hang. A run that ends with a report gives one that
openpyxl opens whenever it opens the template, holding every record of each
statement that succeeded; the first LIBREOFFICE_COUNT reports are opened by
LibreOffice too (a fresh profile). A statement or an open that is refused
says why in the log, and a refused open leaves no report behind."""
import os
import re
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time
import warnings
import zipfile
from html import unescape

from openpyxl import load_workbook
from openpyxl.cell.cell import MergedCell
from openpyxl.utils.datetime import to_excel

RECORDS = 5
SQL = """@Insert=2;1;2;1
SELECT 'wild' || n, n, n * 1.5 FROM r ORDER BY n
@Fill=1;{last};1;1
SELECT 'fill' || n, -n, NULL FROM r ORDER BY n
"""


def worksheet_names(path):
    """The names of the worksheets the package lists, in order (chart and
    macro sheets are no worksheets); [] when unreadable."""
    try:
        with zipfile.ZipFile(path) as z:
            book = next(n for n in z.namelist() if re.fullmatch(r"xl/workbook\d*\.xml", n))
            rels = z.read("xl/_rels/%s.rels" % os.path.basename(book)).decode("utf-8", "replace")
            types = {}
            for rel in re.findall(r"<Relationship\b[^>]*>", rels):
                rid, kind = re.search(r'Id="([^"]*)"', rel), re.search(r'Type="[^"]*/([^"/]*)"', rel)
                if rid and kind:
                    types[rid.group(1)] = kind.group(1)
            sheets = re.findall(r'<(?:\w+:)?sheet\b[^>]*>', z.read(book).decode("utf-8", "replace"))
            names = []
            for entry in sheets:
                name, rid = re.search(r'\bname="([^"]*)"', entry), re.search(r'\br:id="([^"]*)"', entry)
                if name and types.get(rid.group(1) if rid else "", "worksheet") == "worksheet":
                    names.append(unescape(name.group(1)))
            return names
    except Exception:
        return []


def opens(path):
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            return load_workbook(path), None
    except Exception as error:
        return None, "%s: %s" % (type(error).__name__, error)


def sheet_of(names, position):
    """The worksheet a numeric sheet reference finds: a worksheet of that name wins."""
    named = [n for n in names if n.casefold() == str(position)]
    return named[0] if named else names[position - 1]


def expected_cells(names, succeeded):
    """(sheet name, row, column) -> value of the records written, later writes winning."""
    cells = {}
    if "Insert" in succeeded:
        first = sheet_of(names, 1)
        for i in range(1, RECORDS + 1):
            cells.update({(first, 1 + i, 1): "wild%d" % i, (first, 1 + i, 2): i})
    if "Fill" in succeeded:
        last = sheet_of(names, len(names))
        for i in range(1, RECORDS + 1):
            cells.update({(last, i, 1): "fill%d" % i, (last, i, 2): -i, (last, i, 3): None})
    return cells


def same(cell, value):
    """Whether the cell holds the value; a number in a cell with a date format reads as a date."""
    if isinstance(cell, MergedCell):
        return True  # covered by a merged range that function 2 moved over it
    found = cell.value
    if cell.is_date and found is not None and isinstance(value, int):
        found = to_excel(found)
    return found == value


def check_report(report, template, succeeded):
    """What is wrong with a report, or None."""
    if not os.path.exists(report):
        return "no report"
    wb, why = opens(report)
    original = opens(template)[0]
    if wb is None:
        return None if original is None else "openpyxl cannot open the report: " + why
    for (sheet, row, column), value in expected_cells(worksheet_names(template), succeeded).items():
        if sheet not in wb.sheetnames:
            if original is not None and sheet not in original.sheetnames:
                continue  # openpyxl does not see this worksheet in the template either
            return "no worksheet %r" % sheet
        cell = wb[sheet].cell(row=row, column=column)
        if not same(cell, value):
            return "%s!%s holds %r, not %r" % (sheet, cell.coordinate, cell.value, value)
    return None


def run(program, template, work):
    """Runs the report on template; returns (status, log lines, seconds)."""
    name = os.path.basename(template)
    with open(os.path.join(work, "run.sql"), "w") as f:
        f.write(SQL.format(last=max(1, len(worksheet_names(template)))))
    with open(os.path.join(work, "run.ini"), "w") as f:
        f.write("[FILE]\nLogFileName=%s\nReportTemplateFileName=%s\nReportFileName=%s\n[ODBC]\nDSN=Wild\n"
                "[SQLFILE]\nF_MAXNUM=1\nF1=%s\n" % (os.path.join(work, "run.log"), template,
                                                   os.path.join(work, "report", name), os.path.join(work, "run.sql")))
    start = time.monotonic()
    status = subprocess.run(["timeout", "120", program, "-F", os.path.join(work, "run.ini"), "-C"], cwd=work,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    seconds = time.monotonic() - start
    try:
        log = open(os.path.join(work, "run.log"), encoding="utf-8", errors="replace").read().splitlines()
    except OSError:
        log = []
    return status, [re.sub(r"^\[\d{8} [\d:]{8}\]    ", "", line) for line in log], seconds


def reasons(log):
    """The error lines of a log, each with its detail; None when one has none."""
    found = []
    for i, line in enumerate(log):
        if line.startswith("Error: "):
            info = log[i + 1] if i + 1 < len(log) else ""
            if not info.startswith("Error Info: ") or len(info) <= len("Error Info: "):
                return None
            found.append(info[len("Error Info: "):])
    return found


def open_in_libreoffice(reports, work):
    """The reports LibreOffice cannot turn into CSV."""
    if not reports or subprocess.run(["sh", "-c", "command -v soffice"], stdout=subprocess.DEVNULL).returncode:
        return []
    out = os.path.join(work, "csv")
    subprocess.run(["timeout", "200", "soffice", "-env:UserInstallation=file://" + work + "/profile", "--headless",
                    "--convert-to", "csv", "--outdir", out] + reports, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return [r for r in reports
            if not os.path.exists(os.path.join(out, os.path.splitext(os.path.basename(r))[0] + ".csv"))]


def main():
    program, folder = os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2])
    libreoffice = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    files = sorted(f for f in os.listdir(folder) if re.search(r"\.xls[xmb]?$|\.xlt[xm]$", f, re.I))
    counts = {"complete": 0, "partial": 0, "refused": 0}
    failures, times, to_libreoffice = [], [], []
    with tempfile.TemporaryDirectory(prefix="wild-") as work:
        db = sqlite3.connect(os.path.join(work, "data.db"))
        db.execute("CREATE TABLE r (n INTEGER)")
        db.executemany("INSERT INTO r VALUES (?)", [(i,) for i in range(1, RECORDS + 1)])
        db.commit()
        with open(os.path.join(work, "odbc.ini"), "w") as f:
            f.write("[Wild]\nDriver=SQLite3\nDatabase=%s\nNoCreat=1\n" % os.path.join(work, "data.db"))
        os.environ["ODBCINI"] = os.path.join(work, "odbc.ini")
        for key in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            os.environ.pop(key, None)
        os.makedirs(os.path.join(work, "report"))
        kept = os.path.join(work, "kept")
        os.makedirs(kept)
        for name in files:
            template = os.path.join(folder, name)
            report = os.path.join(work, "report", name)
            status, log, seconds = run(program, template, work)
            times.append(seconds)
            why = reasons(log)
            succeeded = {m for m in re.findall(r"^\[SQLFILE1\]  \[(\w+)\]    Success\.$", "\n".join(log), re.M)}
            problem = None
            if status not in (0, 1, 2):
                problem = "exit status %d (crash or hang)" % status
            elif why is None:
                problem = "an error without its reason"
            elif status == 2:
                counts["refused"] += 1
                if os.path.exists(report):
                    problem = "a refused run left the report behind"
            else:
                problem = check_report(report, template, succeeded)
                counts["complete" if status == 0 else "partial"] += 1
                if not problem and len(to_libreoffice) < libreoffice:
                    os.replace(report, os.path.join(kept, name))
                    to_libreoffice.append(os.path.join(kept, name))
            verdict = "FAIL" if problem else "ok  "
            detail = problem or ("; ".join(why) if why else "report complete")
            print("%s %-45s %5.2fs %s" % (verdict, name, seconds, detail[:300]))
            if problem:
                failures.append(name)
            if os.path.exists(report):
                os.remove(report)
        for report in open_in_libreoffice(to_libreoffice, work):
            print("FAIL %s: LibreOffice cannot open the report" % os.path.basename(report))
            failures.append(report)
    print("%d workbooks: %d complete, %d with a statement refused, %d refused at the open; %d failures; "
          "median %.2f s a run" % (len(files), counts["complete"], counts["partial"], counts["refused"], len(failures),
                                  statistics.median(times) if times else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
