#!/usr/bin/env bash
# Peak memory of whole unattended runs against the size of their results:
#   bench/end_to_end/memory.sh BUILD_FOLDER [CASE...]
# For each case, the run's peak resident memory over that of the same run
# with an empty result (same statement, no records), divided by the
# result's size: the sum of its values' UTF-8 bytes (a number counts as
# the text SQLite gives it). Cases:
#   f3_long    one 16 MB text into a defined name (function 3)
#   f1_long    one text of 32,767 three-byte characters into a cell (function 1)
#   f1_refused one 16 MB text refused by a cell (function 1): bytes over the empty run
#   f1_wide    3,000 x 10 texts of 6,000 characters (function 1)
#   f1_mixed   32,765 x 20 mixed values (function 1)
set -euo pipefail
build="$(realpath "${1:-build}")"
shift || true
cases=("${@:-f3_long f1_long f1_refused f1_wide f1_mixed}")
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/bench/end_to_end/sqlite_scratch.sh"

make_data() {  # the table t of a case
  rm -f data.db
  case "$1" in
    f3_long | f1_refused) sqlite3 data.db "CREATE TABLE t (x TEXT); INSERT INTO t VALUES (printf('%.*c', 16777216, 'x'));" ;;
    f1_long) sqlite3 data.db "CREATE TABLE t (x TEXT); INSERT INTO t VALUES (replace(printf('%.*c', 32767, 'x'), 'x', '€'));" ;;
    f1_wide)
      sqlite3 data.db "CREATE TABLE t (a TEXT, b TEXT, c TEXT, d TEXT, e TEXT, f TEXT, g TEXT, h TEXT, i TEXT, j TEXT);
        WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < 3000)
        INSERT INTO t SELECT p || 'a', p || 'b', p || 'c', p || 'd', p || 'e', p || 'f', p || 'g', p || 'h', p || 'i', p || 'j'
        FROM (SELECT printf('%05d', n) || printf('%.*c', 5994, 'y') AS p FROM s);" ;;
    f1_mixed)
      sqlite3 data.db "CREATE TABLE t (i INTEGER, name TEXT, price REAL, day DATE, qty INTEGER,
        region TEXT, amount REAL, code TEXT, ratio REAL, n2 INTEGER, t2 TEXT, r2 REAL, d2 DATE,
        n3 INTEGER, t3 TEXT, r3 REAL, n4 INTEGER, t4 TEXT, r4 REAL, n5 INTEGER);
        WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 32765)
        INSERT INTO t SELECT i, 'name ' || i, i * 1.25, date('2004-01-01', '+' || (i % 700) || ' days'), i % 17,
          'region ' || (i % 9), i * 2.5, printf('C%06d', i), i / 7.0, i * 3, 'text ' || (i % 101), i * 0.1,
          date('2003-06-01', '+' || (i % 300) || ' days'), i % 1000, 'more ' || i, i * 0.01, i + 7, 'end', i * 9.5, i % 2
        FROM s;" ;;
  esac
}

result_bytes() {  # the sum of the UTF-8 bytes of every value of t
  local sum
  sum=$(sqlite3 data.db "SELECT group_concat('length(CAST(' || name || ' AS BLOB))', ' + ') FROM pragma_table_info('t');")
  sqlite3 data.db "SELECT sum(coalesce($sum, 0)) FROM t;"
}

peak_kb() {  # peak resident memory of a run of SQL file $1 in KiB
  printf '[FILE]\nLogFileName=run.log\nReportTemplateFileName=template.xlsx\nReportFileName=report.xlsx\n[ODBC]\nDSN=Bench\n[SQLFILE]\nF_MAXNUM=1\nF1=%s\n' "$1" > run.ini
  rm -f run.log report.xlsx
  /usr/bin/time -f %M -o peak.txt "$build/tallyvane" -F run.ini -C > /dev/null 2>&1 || true
  grep -q "Close the log file." run.log || { echo "the run failed:" >&2; tail -3 run.log >&2; exit 1; }
  if [ "$2" = ok ] && grep -q "Error:" run.log; then echo "the run reported errors:" >&2; grep Error run.log >&2; exit 1; fi
  tail -1 peak.txt
}

printf '%-11s %12s %10s %10s %12s\n' case "result MB" "empty MiB" "peak MiB" "over / result"
for c in ${cases[*]}; do
  make_data "$c"
  case "$c" in
    f3_long) head='@Long=3;Long' ;;
    *) head='@Fill=1;Sheet1;2;1' ;;
  esac
  printf '%s\nSELECT * FROM t\n' "$head" > full.sql
  printf '%s\nSELECT * FROM t WHERE 0\n' "$head" > empty.sql
  expect=ok
  [ "$c" = f1_refused ] && expect=error
  empty=$(peak_kb empty.sql ok)
  peak=$(peak_kb full.sql "$expect")
  bytes=$(result_bytes)
  awk -v c="$c" -v b="$bytes" -v e="$empty" -v p="$peak" 'BEGIN {
    printf "%-11s %12.2f %10.1f %10.1f %12.2f\n", c, b / 1e6, e / 1024, p / 1024, (p - e) * 1024 / b }'
done
