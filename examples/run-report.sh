#!/usr/bin/env bash
# Runs the monthly example report unattended with a built program:
#   run-report.sh PROGRAM WORK_FOLDER [year] [month]
# The work folder receives the database, the template, the report and the log.
set -euo pipefail
examples="$(cd "$(dirname "$0")" && pwd)"
program="$1"
work="$2"
year="${3:-2004}"
month="${4:-10}"

rm -rf "$work"
mkdir -p "$work/logs" "$work/reports"
cp -r "$examples/sql" "$examples/month.ini" "$examples/odbc.ini" "$work/"
sqlite3 "$work/sales.db" < "$examples/sales.sql"
/usr/bin/python3 "$examples/make_template.py" "$work/month_template.xlsx"

cd "$work"
status=0
ODBCINI="$work/odbc.ini" "$program" -F month.ini -C "$year" "$month" || status=$?
echo "Exit status: $status"
echo "Report: $(ls -1 "$work"/reports/*.xlsx 2>/dev/null | tail -1)"
echo "Log:    $(ls -1 "$work"/logs/*.log 2>/dev/null | tail -1)"
exit "$status"
