# Sourced by the hostile checks, with the built program as $1: a scratch
# folder as the working folder (removed at the end), no display, the data
# source Hostile over data.db there, a template of one sheet, and helpers.
program="$(realpath "$1")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
failures=0
# At the end: the folder removed, the failed checks counted in the status.
trap 'rm -rf "$work"; echo "$failures check(s) failed"; [ "$failures" = 0 ] || exit 1' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cd "$work"
printf '[Hostile]\nDriver=SQLite3\nDatabase=%s/data.db\nNoCreat=1\n' "$work" > odbc.ini
export ODBCINI="$work/odbc.ini"
/usr/bin/python3 "$root/tests/support/xlsx_tool.py" make template.xlsx '{"sheets": [{"name": "Sheet1"}]}'
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
# check NAME CONDITION: whether the shell condition holds, told as ok or FAIL.
check() {
  if eval "$2"; then echo "ok   $1"; else
    fail "$1 (status ${status:-})"; tail -3 run.log out.txt 2>/dev/null | sed 's/^/    /' || true; fi
}
# run CONFIG [WRAPPER...]: the program on CONFIG, run under the wrapper
# command if given; its output in out.txt, its exit status in $status.
run() { local config="$1"; shift; status=0; "$@" timeout 300 "$program" -F "$config" -C > out.txt 2>&1 || status=$?; }

# config FILE LOG REPORT SQLFILE [TEMPLATE]: a configuration of one SQL file.
config() {
  printf '[FILE]\nLogFileName=%s\nReportTemplateFileName=%s\nReportFileName=%s\n[ODBC]\nDSN=Hostile\n[SQLFILE]\nF_MAXNUM=1\nF1=%s\n' \
    "$2" "${5:-template.xlsx}" "$3" "$4" > "$1"
}

# A table of $rows rows in ten columns, and fill.sql writing it from A2: a
# report large enough to be caught while it is saved.
rows=20000
big_table() {
  sqlite3 data.db "CREATE TABLE t (c1,c2,c3,c4,c5,c6,c7,c8,c9,c10);
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
    INSERT INTO t SELECT i, 'text ' || i, i * 0.5, date('2004-01-01', '+' || (i % 365) || ' days'),
                         i % 7, 'more text', i * 3, 'x', i + 0.25, i * 10 FROM n;"
  printf '@Fill=1;Sheet1;2;1\nSELECT * FROM t ORDER BY c1\n' > fill.sql
}
# state REPORT: what a report on disk is after an interrupted run: absent,
# template or complete; anything else (half-written, corrupt) fails.
state() {
  /usr/bin/python3 - "$1" $rows <<'EOF'
import os, sys, zipfile
from openpyxl import load_workbook
path, rows = sys.argv[1], int(sys.argv[2])
def verdict(text, status=0):
    print(text)
    sys.exit(status)
if not os.path.exists(path):
    verdict("absent")
try:
    with zipfile.ZipFile(path) as package:
        if package.testzip() is not None:
            raise ValueError("a part fails its checksum")
    sheet = load_workbook(path, read_only=True)["Sheet1"]
    first, last = sheet.cell(row=2, column=1).value, sheet.cell(row=rows + 1, column=10).value
except Exception as error:  # anything unreadable is a broken report
    verdict("corrupt: %s" % error, 1)
if first is None and last is None:
    verdict("template")
if first == 1 and last == rows * 10:
    verdict("complete")
verdict("partial: first %r last %r" % (first, last), 1)
EOF
}
