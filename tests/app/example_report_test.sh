#!/usr/bin/env bash
# Runs the example report and checks, after LibreOffice has recalculated
# it, that the totals below the grown data area are the sums of the rows.
set -euo pipefail
program="$1"
work="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/examples/run-report.sh" "$program" "$work" 2004 10
report="$(ls -1 "$work"/reports/*.xlsx | tail -1)"
csv="$(/usr/bin/python3 "$root/tests/support/xlsx_tool.py" csv "$report" Sales)"
echo "$csv"
grep -qx 'Month: 2004-10,,,' <<<"$csv"
grep -qx 'Total,125,495,23828' <<<"$csv"
expected="$(sqlite3 "$work/sales.db" "SELECT COUNT(*) || ',' || SUM(units) FROM sales WHERE sale_date LIKE '2004-10-%'")"
[ "$expected" = "125,495" ]
products="$(/usr/bin/python3 "$root/tests/support/xlsx_tool.py" csv "$report" Products)"
grep -qx 'Product,Anchor,Buoy,Compass' <<<"$products"
