#!/usr/bin/env bash
# Runs the example report and checks, after LibreOffice has recalculated
# it, that the totals below the grown data area are the sums of the rows;
# and that a reader that never calculates (pandas) shows the same totals
# and the heading from the saved results.
set -euo pipefail
program="$1"
work="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
rm -rf "$work"  # the test's own folder, from an earlier run
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/examples/run-report.sh" "$program" "$work" 2004 10
report="$(ls -1 "$work"/reports/*.xlsx | tail -1)"
csv="$(/usr/bin/python3 "$root/tests/support/xlsx_tool.py" csv "$report" Sales)"
echo "$csv"
grep -qx 'Month: 2004-10,,,' <<<"$csv"
grep -qx 'Total,125,495,23828' <<<"$csv"
expected="$(sqlite3 "$work/sales.db" "SELECT COUNT(*) || ',' || SUM(units) FROM sales WHERE sale_date LIKE '2004-10-%'")"
[ "$expected" = "125,495" ]
amount="$(sqlite3 "$work/sales.db" "SELECT SUM(amount) FROM sales WHERE sale_date LIKE '2004-10-%'")"
/usr/bin/python3 - "$report" "$amount" <<'PY'
import sys
import pandas
sales = pandas.read_excel(sys.argv[1], sheet_name="Sales", header=None)
total = sales[sales[0] == "Total"].iloc[0]
print("pandas:", list(total))
assert sales.iloc[1, 0] == "Month: 2004-10", sales.iloc[1, 0]
assert (total[1], total[2]) == (125, 495), list(total)
assert abs(total[3] - float(sys.argv[2])) <= 1e-9 * abs(total[3]), (total[3], sys.argv[2])
PY
# Every saved result is the one LibreOffice computes; prints the share saved.
/usr/bin/python3 "$root/tests/ooxml/formula_corpus.py" compare "$report"
products="$(/usr/bin/python3 "$root/tests/support/xlsx_tool.py" csv "$report" Products)"
grep -qx 'Product,Anchor,Buoy,Compass' <<<"$products"

# The crontab line of the documents, run as cron runs it: "\%" turned into
# "%", through /bin/sh in an empty environment but for cron's own variables
# (the program on PATH as an installation puts it there), no terminal and
# stdin from /dev/null. It must make last month's report; the sales of last
# month are October's, moved to that month.
line="$(sed -n 's/^    \(15 6 1 \* \*  .*\)$/\1/p' "$root/README.md")"
[ -n "$line" ]
manual="$(LC_ALL=C MANWIDTH=400 man -l "$root/packaging/tallyvane.1" 2>/dev/null)"
grep -qF -- "$line" <<<"$manual" || { echo "the manual page lacks: $line"; exit 1; }
help="$(/usr/bin/python3 -c 'import html, sys; print(html.unescape(open(sys.argv[1]).read()))' \
  "$root/docs/help/tallyvane-help.htm")"
grep -qF -- "$line" <<<"$help" || { echo "the help lacks: $line"; exit 1; }
command="${line#15 6 1 \* \*  }"
command="${command//\\%/%}"
command="${command//\/srv\/reports/$work}"
last="$(date -d 'last month' +%Y-%m)"
sqlite3 "$work/sales.db" "INSERT INTO sales (sale_date, region, product, units, amount)
  SELECT printf('%s-%02d', '$last', min(CAST(substr(sale_date, 9) AS INTEGER), 28)), region, product, units, amount
  FROM sales WHERE sale_date LIKE '2004-10-%'"
mkdir -p "$work/bin"
ln -sf "$program" "$work/bin/tallyvane"
rm -f "$work"/reports/*.xlsx
# cron's bare environment; a sanitizer build's settings still reach the program.
env -i HOME="$work" LOGNAME="$(id -un)" SHELL=/bin/sh PATH="$work/bin:/usr/bin:/bin" \
  ${ASAN_OPTIONS:+"ASAN_OPTIONS=$ASAN_OPTIONS"} /bin/sh -c "$command" </dev/null
csv="$(/usr/bin/python3 "$root/tests/support/xlsx_tool.py" csv "$(ls -1 "$work"/reports/*.xlsx | tail -1)" Sales)"
grep -qx "Month: $last,,," <<<"$csv" || { echo "not last month's report: $csv"; exit 1; }
grep -qx 'Total,125,495,23828' <<<"$csv"
echo "example report test passed"
