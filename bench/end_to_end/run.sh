#!/usr/bin/env bash
# The whole unattended run, measured against its peers in the same run:
#   bench/end_to_end/run.sh BUILD_FOLDER   (configured with -DTALLYVANE_BENCH=ON)
# One function-1 statement of 32,765 rows by 20 mixed columns from SQLite
# through ODBC into a template from row 2; function 2 with the same records
# (32,763 inserted rows above a total, 1,000 formula rows and 100 totals over
# whole columns), with and without the results saved; the Python peer
# (pyodbc and openpyxl) and the C floor (SQLite's C API and libxlsxwriter).
set -euo pipefail
build="$(realpath "${1:-build}")"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cd "$work"
rows=32765
repeat="${REPEAT:-3}"

sqlite3 data.db "CREATE TABLE t (i INTEGER, name TEXT, price REAL, day DATE, qty INTEGER,
    region TEXT, amount REAL, code TEXT, ratio REAL, n2 INTEGER, t2 TEXT, r2 REAL, d2 DATE,
    n3 INTEGER, t3 TEXT, r3 REAL, n4 INTEGER, t4 TEXT, r4 REAL, n5 INTEGER);
  WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < $rows)
  INSERT INTO t SELECT i, 'name ' || i, i * 1.25, date('2004-01-01', '+' || (i % 700) || ' days'), i % 17,
    'region ' || (i % 9), i * 2.5, printf('C%06d', i), i / 7.0, i * 3, 'text ' || (i % 101), i * 0.1,
    date('2003-06-01', '+' || (i % 300) || ' days'), i % 1000, 'more ' || i, i * 0.01, i + 7, 'end', i * 9.5, i % 2
  FROM s;"
printf '[Bench]\nDriver=SQLite3\nDatabase=%s/data.db\nNoCreat=1\n' "$work" > odbc.ini
export ODBCINI="$work/odbc.ini"
query="SELECT * FROM t ORDER BY i"
/usr/bin/python3 "$here/make_template.py" template.xlsx

for f in 1 2; do
  printf '@Fill=%d;Sheet1;2;1\n%s\n' "$f" "$query" > fill$f.sql
  printf '[FILE]\nLogFileName=run%d.log\nReportTemplateFileName=template.xlsx\nReportFileName=report%d.xlsx\n[ODBC]\nDSN=Bench\n[SQLFILE]\nF_MAXNUM=1\nF1=fill%d.sql\n' "$f" "$f" "$f" > run$f.ini
done

best() {  # best wall time in ms of REPEAT runs of a command
  local best_ms=""
  for ((k = 0; k < repeat; k++)); do
    local start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    local ms=$(( ($(date +%s%N) - start) / 1000000 ))
    if [ -z "$best_ms" ] || [ "$ms" -lt "$best_ms" ]; then best_ms=$ms; fi
  done
  echo "$best_ms"
}

tally1=$(best "$build/tallyvane" -F run1.ini -C)
tally2=$(best "$build/tallyvane" -F run2.ini -C)
# The same run without computing the formulas' results before saving.
tally2plain=$(best env TALLYVANE_BENCH_NO_RESULTS=1 "$build/tallyvane" -F run2.ini -C)
floor=$(best "$build/bench/end_to_end/sqlite_xlsxwriter_floor" data.db "$query" floor.xlsx)
python=$(REPEAT=1 best /usr/bin/python3 "$here/pyodbc_openpyxl_peer.py" Bench "$query" template.xlsx peer.xlsx)
grep -q "Success." run1.log && grep -q "Success." run2.log

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "| run | ms | ratio |"
echo "|---|---:|---|"
echo "| Tallyvane, function 1 | $tally1 | 1.00 |"
echo "| C floor (SQLite C API + libxlsxwriter) | $floor | Tallyvane / floor = $(ratio "$tally1" "$floor") |"
echo "| Python (pyodbc + openpyxl) | $python | Python / Tallyvane = $(ratio "$python" "$tally1") |"
echo "| Tallyvane, function 2 (32,763 rows inserted) | $tally2 | function 2 / function 1 = $(ratio "$tally2" "$tally1") |"
echo "| Tallyvane, function 2 without saved results | $tally2plain | with / without = $(ratio "$tally2" "$tally2plain") |"
