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
rm -f out/*
status=0
(ulimit -f 300; "$program" -F run.ini -C) || status=$?
[ "$status" = 1 ] || fail "full disk: exit status $status, expected 1"
grep -q "Error: Failed to close the report file." run.log || fail "full disk: no close failure in the log"
grep -q "Close the log file." run.log || fail "full disk: the run did not reach its end"
state="$(state out/report.xlsx)" || fail "full disk: $state"
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
