#!/usr/bin/env bash
# The program on a shared server: links planted at the report and log paths,
# a world-writable template, a log named after the run's own files, two runs
# on one report at once, termination signals during a long statement and
# during the save, and core dumps.
set -euo pipefail
source "$(dirname "$0")/scratch.sh"
umask 022
big_table
chmod 777 template.xlsx
template_sum="$(sha256sum < template.xlsx)"
counting() { echo "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $1) SELECT count(*) FROM n"; }
printf '@Wait=0\n%s\n@Fill=1;Sheet1;2;1\nSELECT * FROM t ORDER BY c1\n' "$(counting 10000000)" > slow.sql
printf '@Endless=0\n%s\n' "$(counting 1000000000)" > endless.sql
debris() { ls -A | grep -E '\.(saving|copying)-|\.lock$' || true; }
wait_for() { for _ in $(seq 3000); do eval "$1" && return 0; sleep 0.01; done; return 1; }
# finish PID: its exit status, or 137 when it is still running after a minute.
finish() {
  for _ in $(seq 1200); do kill -0 "$1" 2>/dev/null || break; sleep 0.05; done
  kill -9 "$1" 2>/dev/null || true; status=0; wait "$1" || status=$?
}

# Links at the report and log paths are replaced or refused, never written through.
echo "someone else's" > victim.txt
config run.ini run.log report.xlsx fill.sql
ln -s victim.txt report.xlsx
run run.ini
check "a link at the report path is replaced" '[ $status = 0 ] && [ ! -L report.xlsx ] && [ "$(cat victim.txt)" = "someone else'"'"'s" ]'
check "the report has the usual mode, not the template's" '[ "$(stat -c %a report.xlsx)" = 644 ] && [ "$(stat -c %a run.log)" = 644 ]'
rm report.xlsx; ln -s absent.txt report.xlsx
run run.ini
check "a dangling link at the report path creates nothing" '[ $status = 0 ] && [ ! -e absent.txt ] && [ ! -L report.xlsx ]'
for link in "ln -s" ln; do
  rm run.log; $link victim.txt run.log
  run run.ini
  check "a log made with $link is refused" '[ $status = 2 ] && grep -qE "symbolic link|hard links" out.txt && [ "$(cat victim.txt)" = "someone else'"'"'s" ]'
done
rm run.log
(umask 077; run run.ini)
check "the report follows the umask" '[ "$(stat -c %a report.xlsx)" = 600 ] && [ -z "$(debris)" ]'

# A log named after one of the run's own files is refused before anything is written.
mkdir -p sub
for log in ./sub/../template.xlsx run.ini fill.sql report.xlsx; do
  config run.ini "$log" report.xlsx fill.sql
  before="$(sha256sum < "$log")"
  run run.ini
  check "a log named $log is refused" '[ $status = 2 ] && grep -q "choose another LogFileName" out.txt && [ "$(sha256sum < "$log")" = "$before" ]'
done
check "the template was never written" '[ "$(sha256sum < template.xlsx)" = "$template_sum" ]'

# Two runs at once: the second stops before writing, the first is whole.
config slow.ini run.log report.xlsx slow.sql
config other_log.ini other.log report.xlsx fill.sql
rm -f report.xlsx run.log
"$program" -F slow.ini -C > first.txt 2>&1 & first=$!
wait_for 'grep -q "\[Wait\]    WITH" run.log 2>/dev/null'
run slow.ini
check "a second run on the same log stops" '[ $status = 2 ] && grep -q "The file \"run.log\" is in use by another run (process $first)." out.txt'
run other_log.ini
check "a second run on the same report stops" '[ $status = 2 ] && grep -q "Error Info: The file \"report.xlsx\" is in use by another run (process $first)." other.log'
finish $first
check "the first run's report and log are whole" '[ $status = 0 ] && [ "$(state report.xlsx || true)" = complete ] && ! grep -q Error run.log && tail -1 run.log | grep -q "Close the log file." && [ -z "$(debris)" ]'

# Signals stop the run at a safe point: during a statement and during the save.
config endless.ini run.log report.xlsx endless.sql
"$program" -F endless.ini -C > out.txt 2>&1 & pid=$!
wait_for 'grep -q "\[Endless\]    WITH" run.log'
check "no core file can be written" 'grep -q "^Max core file size *0 *0 " /proc/$pid/limits'
kill -INT $pid || true
finish $pid
check "SIGINT cancels a long statement" '[ $status = 2 ] && tail -2 run.log | grep -q "Error Info: The program received the signal SIGINT." && [ "$(state report.xlsx || true)" = template ] && [ -z "$(debris)" ]'
config run.ini run.log report.xlsx fill.sql
"$program" -F run.ini -C > out.txt 2>&1 & pid=$!
while ! compgen -G ".report.xlsx.saving-*" > /dev/null && kill -0 $pid 2> /dev/null; do :; done
kill -TERM $pid || true
finish $pid
check "SIGTERM during the save leaves the report whole" '[ $status = 2 ] && tail -2 run.log | head -1 | grep -q "Error: The run was interrupted." && grep -q SIGTERM run.log && [ "$(state report.xlsx || true)" = template ] && [ -z "$(debris)" ]'
