#!/usr/bin/env bash
# A report must never be half-written: the program is killed (SIGKILL) at
# many moments of a run that saves a large report, and the report on disk
# must each time be absent, the template's copy, or the complete report;
# the template is never touched. Then a file-size limit (a full disk) and a
# report folder that cannot be written must give a clear logged error.
set -euo pipefail
program="$(realpath "$1")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
chmod 755 "$work"
cd "$work"

rows=20000
sqlite3 data.db "CREATE TABLE t (c1,c2,c3,c4,c5,c6,c7,c8,c9,c10);
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
  INSERT INTO t SELECT i, 'text ' || i, i * 0.5, date('2004-01-01', '+' || (i % 365) || ' days'),
                       i % 7, 'more text', i * 3, 'x', i + 0.25, i * 10 FROM n;"
chmod 644 data.db
printf '[Faults]\nDriver=SQLite3\nDatabase=%s/data.db\nNoCreat=1\n' "$work" > odbc.ini
/usr/bin/python3 "$root/tests/support/xlsx_tool.py" make template.xlsx \
  '{"sheets": [{"name": "Sheet1", "cells": {"A1": "header"}}]}'
template_sum="$(sha256sum template.xlsx)"
printf '@Fill=1;Sheet1;2;1\nSELECT * FROM t ORDER BY c1\n' > fill.sql
printf '[FILE]\nLogFileName=run.log\nReportTemplateFileName=template.xlsx\nReportFileName=out/report.xlsx\n[ODBC]\nDSN=Faults\n[SQLFILE]\nF_MAXNUM=1\nF1=fill.sql\n' > run.ini
mkdir out
export ODBCINI="$work/odbc.ini"

failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

start=$(date +%s%N)
"$program" -F run.ini -C
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$(/usr/bin/python3 "$root/tests/hostile/check_report.py" out/report.xlsx $rows)" = complete ] || fail "a whole run did not give the complete report"
echo "a whole run takes ${elapsed_ms} ms"

points=30
declare -A seen=()
for ((i = 1; i <= points; i++)); do
  delay_ms=$(( elapsed_ms * i / (points + 2) ))
  "$program" -F run.ini -C & pid=$!
  sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  state="$(/usr/bin/python3 "$root/tests/hostile/check_report.py" out/report.xlsx $rows)" || fail "killed at ${delay_ms} ms: $state"
  seen[$state]=1
  [ "$(sha256sum template.xlsx)" = "$template_sum" ] || fail "the template changed"
done
echo "states after the kills: ${!seen[*]}"

# A full disk: the save fails with a logged error, the report on disk stays whole.
rm -f out/*
status=0
(ulimit -f 300; "$program" -F run.ini -C) || status=$?
[ "$status" = 1 ] || fail "full disk: exit status $status, expected 1"
grep -q "Error: Failed to close the report file." run.log || fail "full disk: no close failure in the log"
grep -q "Close the log file." run.log || fail "full disk: the run did not reach its end"
state="$(/usr/bin/python3 "$root/tests/hostile/check_report.py" out/report.xlsx $rows)" || fail "full disk: $state"
[ "$state" = template ] || fail "full disk: the report is $state"
[ -z "$(ls out | grep -v '^report.xlsx$')" ] || fail "full disk: left behind $(ls out)"

# A report folder that cannot be written: the open fails before anything is written.
chmod 555 out
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown -R nobody "$work/run.log" 2>/dev/null || true
  chmod 777 "$work"
  as_user=(runuser -u nobody --)
fi
rm -f run.log
status=0
"${as_user[@]}" env ODBCINI="$ODBCINI" "$program" -F run.ini -C || status=$?
[ "$status" = 2 ] || fail "read-only folder: exit status $status, expected 2"
grep -q 'Error: Failed to open the report file "out/report.xlsx".' run.log || fail "read-only folder: no open failure in the log"
chmod 755 out

echo "$failures save fault check(s) failed"
[ "$failures" = 0 ]
