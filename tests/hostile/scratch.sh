# Sourced by the hostile checks, with the built program as $1: a scratch
# folder as the working folder (removed at the end), no display, the data
# source Hostile over data.db there, a template of one sheet, and helpers.
program="$(realpath "$1")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cd "$work"
printf '[Hostile]\nDriver=SQLite3\nDatabase=%s/data.db\nNoCreat=1\n' "$work" > odbc.ini
export ODBCINI="$work/odbc.ini"
/usr/bin/python3 "$root/tests/support/xlsx_tool.py" make template.xlsx '{"sheets": [{"name": "Sheet1"}]}'
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

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
# state REPORT: absent, template or complete; anything else fails.
state() { /usr/bin/python3 "$root/tests/hostile/check_report.py" "$1" $rows; }
