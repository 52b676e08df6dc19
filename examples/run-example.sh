#!/usr/bin/env bash
# Installs what is missing, builds Tallyvane, and runs the monthly example
# report unattended in build/example: ./examples/run-example.sh [year] [month]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
year="${1:-2004}"
month="${2:-10}"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" --target tallyvane

work="$root/build/example"
rm -rf "$work"
mkdir -p "$work/logs" "$work/reports"
cp -r "$root/examples/sql" "$root/examples/month.ini" "$root/examples/odbc.ini" "$work/"
sqlite3 "$work/sales.db" < "$root/examples/sales.sql"
/usr/bin/python3 "$root/examples/make_template.py" "$work/month_template.xlsx"

cd "$work"
status=0
ODBCINI="$work/odbc.ini" "$root/build/tallyvane" -F month.ini -C "$year" "$month" || status=$?
echo "Exit status: $status"
echo "Report: $(ls -1 "$work"/reports/*.xlsx 2>/dev/null | tail -1)"
echo "Log:    $(ls -1 "$work"/logs/*.log 2>/dev/null | tail -1)"
exit "$status"
