#!/usr/bin/python3
"""Random formulas over random report data, and LibreOffice's full
recalculation as the judge of the results the engine caches.

  make OUT SEED COUNT [SEEDS]
                        two templates (1900 and 1904 date systems), each with
                        COUNT formulas on the sheet Calc over the sheet Data,
                        and after them the formulas the fuzz target found
                        certain (one per file in the folder SEEDS, written by
                        formula_fuzz with FORMULA_FUZZ_SEEDS set)
  compare FILE...       loads each workbook the engine saved into one LibreOffice
                        (fresh profile), recalculates everything (calculateAll)
                        and compares every cached result with LibreOffice's:
                        numbers within 1e-12 relative, texts exactly. Prints
                        the counts and every difference; exit 1 on any."""
import os
import random
import sys
import tempfile

from openpyxl import Workbook, load_workbook
from openpyxl.utils.datetime import CALENDAR_MAC_1904

from libreoffice_peer import Office
from make_templates import add_name

ROWS = 60  # data rows 2..61
WORDS = ["North", "north", "South", "East", "west", "North ", " East", "a*b", "x?y", "Nord-Ost", "Q1", "m\u00fcnchen",
         "", "abc", "ABC", "a~b", "2004", "10"]
CRITERIA = ['">100"', '"<0"', '"North"', '"north"', '"<>North"', '"=east"', '"*th"', '"?est"', '"a~*b"', '">=5"',
            '5', '"5"', '">2.5"', '""', '"<>"', '"="', '"N*"', '"<m"', '">=abc"', 'TRUE', '"TRUE"', '"<>10"', '"10"',
            'Data!B2', 'Data!C3', '"*"', '"?"', '"<=-50"', '"1/2/2004"']


def data_sheet(ws, rnd, date1904):
    ws.append(["Id", "Region", "Amount", "Units", "Date", "Mixed", "Note", "Flag"])
    base = 35000 - (1462 if date1904 else 0)
    for r in range(2, ROWS + 2):
        amount = rnd.choice([round(rnd.uniform(-1000, 1000), 2), rnd.randint(-50, 500), None, 0.1, 0.2, 0.3, 1e15 + 0.5,
                             2.675, -2.5])
        units = rnd.choice([rnd.randint(0, 40), rnd.randint(0, 40), "10", True, None, 3.5])
        mixed = rnd.choice([rnd.randint(-5, 5), rnd.choice(WORDS), True, False, None, 1.5, "7"])
        row = [r - 1 if rnd.random() > 0.05 else r - 1 + 0.5, rnd.choice(WORDS) or None, amount, units,
               base + rnd.randint(-800, 12000) + rnd.choice([0, 0, 0.25, 0.75]), mixed,
               rnd.choice(["  padded  text ", "Mixed Case", "a  b", "x", "", "Stra\u00dfe", "tab\tin"]) or None,
               rnd.choice([True, False, None])]
        ws.append(row)
        ws.cell(r, 5).number_format = "yyyy-mm-dd"
    for r in rnd.sample(range(3, ROWS + 1), 6):
        ws.row_dimensions[r].hidden = True


class Generator:
    def __init__(self, rnd, count):
        self.r = rnd
        self.count = count
        self.k = 0  # formulas so far (for references to earlier results)

    def row(self):
        return self.r.randint(1, ROWS + 2)

    def col_range(self, cols="ABCDEFGH", whole=0.15):
        c = self.r.choice(cols)
        if self.r.random() < whole:
            return "Data!%s:%s" % (c, c)
        a = self.r.randint(1, ROWS)
        b = self.r.randint(a, min(ROWS + 3, a + 30))
        return "Data!%s%d:%s%d" % (c, a, c, b)

    def same_size(self, rng, cols="ABCDEFGH"):
        c = self.r.choice(cols)
        left, right = rng.split("!")[1].split(":")
        strip = lambda s: "".join(ch for ch in s if ch.isdigit())
        return "Data!%s%s:%s%s" % (c, strip(left), c, strip(right))

    def cell(self, cols="ABCDEFGH"):
        if self.k > 0 and self.r.random() < 0.12:
            return "Calc!A%d" % self.r.randint(1, self.k)
        return "Data!%s%d" % (self.r.choice(cols), self.row())

    def number(self):
        return self.r.choice([str(self.r.randint(0, 100)), "%.2f" % self.r.uniform(-100, 100), "0.1", "0.2", "0.3",
                              "2.675", "1E+15", "-3", "0", "1.5E-3", "123456789.123"])

    def text_lit(self):
        return '"%s"' % self.r.choice(WORDS + ["x", "Hello World", "  a  b  "]).replace('"', '""')

    def num(self, d):
        r = self.r
        if d <= 0:
            return r.choice([self.number, self.number, lambda: self.cell("ACDEF"), lambda: "Rate"])()
        choice = r.randint(0, 27)
        n = lambda: self.num(d - 1)
        if choice == 0:
            return "%s%s%s" % (n(), r.choice(["+", "-", "*", "/", "+", "-"]), n())
        if choice == 1:
            return "(%s)%s%s" % (n(), r.choice(["^", "*", "/"]), r.choice(["2", "0.5", "-1", "3", n()]))
        if choice == 2:
            return r.choice(["-", "+", ""]) + n() + r.choice(["%", ""])
        if choice == 3:
            return "%s(%s)" % (r.choice(["SUM", "AVERAGE", "MIN", "MAX", "COUNT", "COUNTA"]),
                               ",".join(r.choice([self.col_range, self.col_range, n]) () for _ in range(r.randint(1, 3))))
        if choice == 4:
            return "COUNTBLANK(%s)" % self.col_range()
        if choice == 5:
            return "%s(%s,%s)" % (r.choice(["ROUND", "ROUNDUP", "ROUNDDOWN"]), n(), r.choice(["0", "1", "2", "-1", "-2", "3"]))
        if choice == 6:
            return "%s(%s)" % (r.choice(["INT", "ABS"]), n())
        if choice == 7:
            return "MOD(%s,%s)" % (n(), r.choice(["3", "-3", "0.5", "7", n()]))
        if choice == 8:
            a = self.col_range("ACDF", whole=0)
            return "SUMPRODUCT(%s,%s)" % (a, self.same_size(a, "ACDF"))
        if choice == 9:
            return "IF(%s,%s,%s)" % (self.boolean(d - 1), n(), r.choice([n(), self.text(d - 1)]))
        if choice == 10:
            return "IFERROR(%s,%s)" % (n(), n())
        if choice in (11, 12):
            a = self.col_range()
            f = r.choice(["SUMIF", "COUNTIF", "AVERAGEIF"])
            if f == "COUNTIF":
                return "COUNTIF(%s,%s)" % (a, r.choice(CRITERIA))
            return "%s(%s,%s,%s)" % (f, a, r.choice(CRITERIA), self.same_size(a, "ACDF"))
        if choice == 13:
            a = self.col_range()
            f = r.choice(["SUMIFS", "COUNTIFS", "AVERAGEIFS"])
            conds = ",".join("%s,%s" % (self.same_size(a), r.choice(CRITERIA)) for _ in range(r.randint(1, 2)))
            return "%s(%s)" % (f, conds if f == "COUNTIFS" else self.same_size(a, "ACD") + "," + conds)
        if choice == 14:
            key = r.choice([str(r.randint(0, ROWS + 3)), "%.1f" % r.uniform(0, ROWS), self.cell("A")])
            return "VLOOKUP(%s,Data!%s,%d,%s)" % (key, r.choice(["A2:H61", "A:H", "A1:H61"]), r.randint(1, 9),
                                                  r.choice(["FALSE", "TRUE", "0", ""]).strip() or "TRUE")
        if choice == 15:
            return "HLOOKUP(%s,Data!A1:H61,%d,FALSE)" % (r.choice(['"Amount"', '"units"', '"Id"', '"Nope"']), r.randint(1, 62))
        if choice == 16:
            return "INDEX(Data!A1:H61,%s,%s)" % (r.randint(0, 62), r.randint(0, 9))
        if choice == 17:
            return "MATCH(%s,%s,%s)" % (r.choice([str(r.randint(0, 60)), self.text_lit(), self.cell()]),
                                        r.choice(["Data!A2:A61", "Data!B2:B61", "Data!A1:H1", "Data!C2:C61"]),
                                        r.choice(["0", "1", "-1", ""]).strip() or "0")
        if choice == 18:
            return "%s(%s)" % (r.choice(["ROWS", "COLUMNS"]), self.col_range())
        if choice == 19:
            return "LEN(%s)" % self.text(d - 1)
        if choice == 20:
            return "DATE(%s,%s,%s)" % (r.choice(["2004", "1999", "2030", "1900", "1904", "99", str(r.randint(1890, 2100))]),
                                       r.choice(["1", "2", "12", "13", "0", str(r.randint(1, 12))]),
                                       r.choice(["1", "28", "29", "30", "31", "0", str(r.randint(1, 31))]))
        if choice == 21:
            return "%s(%s)" % (r.choice(["YEAR", "MONTH", "DAY"]), r.choice([self.cell("E"), self.num(d - 1), "60", "61", "0", "1"]))
        if choice == 22:
            return "SUBTOTAL(%s,%s)" % (r.choice(["1", "2", "3", "4", "5", "9", "101", "102", "103", "104", "105", "109"]),
                                        self.col_range())
        if choice == 23:
            return "SUM(Data!%s:%s)" % ((r.choice("ACD"),) * 2)
        if choice == 24:
            return "%s*1" % self.cell()
        if choice == 25:
            return "IF(%s,1,0)" % self.boolean(d - 1)
        if choice == 26:
            return "%s(%s)" % (r.choice(["NOW", "RAND", "TODAY"]), "") + "*0"
        return "SUMIF(Data!B:B,%s,Data!C:C)" % r.choice(CRITERIA)

    def text(self, d):
        r = self.r
        if d <= 0:
            return r.choice([self.text_lit, lambda: self.cell("BGF"), lambda: "Label"])()
        t = lambda: self.text(d - 1)
        choice = r.randint(0, 9)
        if choice == 0:
            return "%s&%s" % (t(), r.choice([t(), t(), self.num(d - 1)]))
        if choice == 1:
            return "%s(%s,%s)" % (r.choice(["LEFT", "RIGHT"]), t(), r.choice(["1", "2", "5", "0", "-1", self.num(d - 1)]))
        if choice == 2:
            return "MID(%s,%s,%s)" % (t(), r.choice(["1", "2", "0", "10"]), r.choice(["1", "3", "0"]))
        if choice == 3:
            return "%s(%s)" % (r.choice(["UPPER", "LOWER", "TRIM"]), t())
        if choice == 4:
            return "CONCATENATE(%s)" % ",".join(t() for _ in range(r.randint(1, 3)))
        if choice == 5:
            return "IF(%s,%s,%s)" % (self.boolean(d - 1), t(), t())
        if choice == 6:
            return "VLOOKUP(%s,Data!A2:H61,%d,FALSE)" % (r.randint(0, 62), r.choice([2, 7, 6]))
        if choice == 7:
            return "IFERROR(%s,%s)" % (t(), self.text_lit())
        return t()

    def boolean(self, d):
        r = self.r
        choice = r.randint(0, 5)
        if d <= 0 or choice == 0:
            return "%s%s%s" % (self.num(0), r.choice(["=", "<>", "<", ">", "<=", ">="]), self.num(0))
        if choice == 1:
            return "%s%s%s" % (self.text(d - 1), r.choice(["=", "<>", "<", ">"]), self.text(d - 1))
        if choice == 2:
            return "%s(%s)" % (r.choice(["AND", "OR"]), ",".join(self.boolean(d - 1) for _ in range(r.randint(1, 3))))
        if choice == 3:
            return "NOT(%s)" % self.boolean(d - 1)
        if choice == 4:
            return self.cell("H")
        return "%s(%s)" % (r.choice(["AND", "OR"]), self.col_range("ACDH"))

    def formula(self):
        kind = self.r.random()
        d = self.r.randint(1, 3)
        f = self.num(d) if kind < 0.6 else self.text(d) if kind < 0.8 else self.boolean(d)
        self.k += 1
        return "=" + f


def seed_formulas(folder):
    formulas = []
    for name in sorted(os.listdir(folder)) if folder else []:
        try:
            text = open(os.path.join(folder, name), encoding="utf-8").read()
        except UnicodeDecodeError:
            continue
        if text and "\n" not in text and "\r" not in text and len(text) < 8000:
            formulas.append("=" + text)
    return formulas


def make(out, seed, count, seeds=None):
    os.makedirs(out, exist_ok=True)
    for date1904 in (False, True):
        rnd = random.Random(seed * 2 + date1904)
        wb = Workbook()
        if date1904:
            wb.epoch = CALENDAR_MAC_1904
        data_sheet(wb.active, rnd, date1904)
        wb.active.title = "Data"
        calc = wb.create_sheet("Calc")
        gen = Generator(rnd, count)
        for k in range(1, count + 1):
            calc.cell(k, 1).value = gen.formula()
        for k, formula in enumerate(seed_formulas(seeds), start=count + 1):
            calc.cell(k, 1).value = formula
        wb.create_sheet("Run")
        add_name(wb, "Rate", "Data!$C$3")
        add_name(wb, "Label", '"North"')
        wb.save(os.path.join(out, "corpus%s.xlsx" % ("1904" if date1904 else "1900")))


def cached(path):
    """Every formula cell of every sheet and its cached result (None when none)."""
    values = load_workbook(path, data_only=True)
    formulas = load_workbook(path)
    return [(ws.title, f.coordinate, f.value, values[ws.title][f.coordinate].value) for ws in formulas.worksheets
            for row in ws.iter_rows() for f in row if isinstance(f.value, str) and f.value.startswith("=")]


def same(ours, cell):
    error = cell.getError()
    kind = cell.FormulaResultType2  # 1 value, 2 text, 4 error
    if error or kind == 4:
        return False, "error %d" % error
    if isinstance(ours, str):
        theirs = cell.getString()
        return kind == 2 and ours == theirs, repr(theirs)
    if kind != 1:
        return False, repr(cell.getString())
    theirs = cell.getValue()
    mine = float(ours)
    return abs(mine - theirs) <= 1e-12 * max(abs(mine), abs(theirs)), repr(theirs)


def compare(files):
    failures = []
    with tempfile.TemporaryDirectory(prefix="formula-corpus-") as work:
        with Office(work) as office:
            for path in files:
                rows = cached(path)
                doc = office.load(path)
                doc.calculateAll()
                saved = 0
                for title, ref, formula, ours in rows:
                    if ours is None:
                        continue
                    saved += 1
                    ok, theirs = same(ours, doc.Sheets.getByName(title).getCellRangeByName(ref))
                    if not ok:
                        failures.append("%s %s!%s %s: ours %r, LibreOffice %s" % (os.path.basename(path), title, ref,
                                                                                   formula, ours, theirs))
                doc.close(True)
                print("%s: %d formulas, %d cached (%.0f %%)" % (os.path.basename(path), len(rows), saved,
                                                               100.0 * saved / max(1, len(rows))))
    print("\n".join(failures))
    print("%d differences" % len(failures))
    return 1 if failures else 0


def main():
    if sys.argv[1] == "make":
        make(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5] if len(sys.argv) > 5 else None)
    elif sys.argv[1] == "compare":
        sys.exit(compare(sys.argv[2:]))


if __name__ == "__main__":
    main()
