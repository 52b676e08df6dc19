#!/usr/bin/env bash
# Reading one long text from SQLite through ODBC, measured against Python's
# sqlite3 module reading the same text in the same run:
#   bench/end_to_end/long_text.sh BUILD_FOLDER [MEGABYTES...]
# The text goes into a defined name (function 3 takes any length), so the
# whole of it is read; time and peak memory grow with its length alone.
set -euo pipefail
build="$(realpath "${1:-build}")"
shift || true
sizes=("${@:-1 2 4 8 16}")
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/bench/end_to_end/sqlite_scratch.sh"
printf '@Long=3;Long\nSELECT x FROM t\n' > long.sql
printf '[FILE]\nLogFileName=run.log\nReportTemplateFileName=template.xlsx\nReportFileName=report.xlsx\n[ODBC]\nDSN=Bench\n[SQLFILE]\nF_MAXNUM=1\nF1=long.sql\n' > run.ini

printf '%8s %12s %12s %8s %14s\n' MB "Tallyvane ms" "Python ms" ratio "peak MB / text"
for mb in ${sizes[*]}; do
  rm -f data.db
  sqlite3 data.db "CREATE TABLE t (x TEXT); INSERT INTO t VALUES (printf('%.*c', $((mb << 20)), 'x'));"
  start=$(date +%s%N)
  /usr/bin/time -f %M -o peak.txt "$build/tallyvane" -F run.ini -C > /dev/null 2>&1 || true
  tally=$(( ($(date +%s%N) - start) / 1000000 ))
  grep -q "Close the log file." run.log || { echo "the run failed:"; tail -3 run.log; exit 1; }
  start=$(date +%s%N)
  /usr/bin/python3 -c 'import sqlite3, sys; print(len(sqlite3.connect(sys.argv[1]).execute("SELECT x FROM t").fetchone()[0]))' data.db > /dev/null
  peer=$(( ($(date +%s%N) - start) / 1000000 ))
  awk -v mb="$mb" -v t="$tally" -v p="$peer" -v kb="$(cat peak.txt)" \
    'BEGIN { printf "%8d %12d %12d %8.1f %14.1f\n", mb, t, p, t / (p > 0 ? p : 1), kb / 1024 / mb }'
done
