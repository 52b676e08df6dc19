#!/usr/bin/env bash
# A report must never be half-written: the program is killed (SIGKILL) at
# many moments of a run that saves a large report, and the report on disk
# must each time be absent, the template's copy, or the complete report;
# the template is never touched. Then a file-size limit (a full disk) and a
# report folder that cannot be written must give a clear logged error.
set -euo pipefail
source "$(dirname "$0")/scratch.sh"
chmod 755 "$work"
big_table
chmod 644 data.db
template_sum="$(sha256sum template.xlsx)"
config run.ini run.log out/report.xlsx fill.sql
mkdir out

start=$(date +%s%N)
"$program" -F run.ini -C
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$(state out/report.xlsx)" = complete ] || fail "a whole run did not give the complete report"
echo "a whole run takes ${elapsed_ms} ms"

points=30
declare -A seen=()
for ((i = 1; i <= points; i++)); do
  delay_ms=$(( elapsed_ms * i / (points + 2) ))
  "$program" -F run.ini -C & pid=$!
  sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  state="$(state out/report.xlsx)" || fail "killed at ${delay_ms} ms: $state"
  seen[$state]=1
  [ "$(sha256sum template.xlsx)" = "$template_sum" ] || fail "the template changed"
done
echo "states after the kills: ${!seen[*]}"

# A full disk: the save fails with a logged error, the report on disk stays whole.
rm -rf out && mkdir out  # the killed runs' leftovers too
run run.ini prlimit --fsize=$((300 << 10))
check "a full disk" '[ $status = 1 ] && grep -q "Error: Failed to close the report file." run.log &&
  grep -q "Close the log file." run.log && [ "$(state out/report.xlsx)" = template ] && [ "$(ls -A out)" = report.xlsx ]'

# A report folder that cannot be written: the open fails before anything is written.
chmod 555 out
as_user=()
[ "$(id -u)" != 0 ] || { chmod 777 "$work"; as_user=(runuser -u nobody -- env ODBCINI="$ODBCINI"); }
rm -f run.log
run run.ini "${as_user[@]}"
check "a read-only report folder" '[ $status = 2 ] && grep -q "Error: Failed to open the report file \"out/report.xlsx\"." run.log'
chmod 755 out
