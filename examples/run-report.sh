#!/usr/bin/env bash
# Runs the monthly example report unattended with a built program:
#   run-report.sh PROGRAM WORK_FOLDER [year] [month]
# The work folder receives the database, the template, the report and the log.
# It is emptied first only when an earlier run of the example made it (its
# marker file says so); any other folder that holds files is left alone.
set -euo pipefail
examples="$(cd "$(dirname "$0")" && pwd)"
program="$1"
work="$2"
year="${3:-2004}"
month="${4:-10}"
marker=".tallyvane-example"

if [ -e "$work" ] || [ -L "$work" ]; then
  if [ -f "$work/$marker" ] && [ ! -L "$work" ]; then
    rm -rf "$work"
  elif [ -d "$work" ] && [ ! -L "$work" ] && [ -z "$(ls -A "$work")" ]; then
    rmdir "$work"
  else
    echo "The folder \"$work\" was not made by this example (it has no $marker file), so the example does not" \
         "empty it. Name a new folder with TALLYVANE_EXAMPLE, or remove this one yourself." >&2
    exit 2
  fi
fi
mkdir -p "$work/logs" "$work/reports"
touch "$work/$marker"
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
