#!/usr/bin/env bash
# A careless or hostile setting of the run's surroundings: devices and other
# people's files named as report or log, a standard error that is a pipe
# whose reader has gone, closed standard descriptors, an error that no step
# handles, escape sequences in a server's message, a report name too long
# for the save's temporaries, and a lock left by a killed run of another
# user (also in a sticky folder). Nothing that is not the run's own is
# replaced, every run ends with its log complete, and the operator's
# terminal gets no raw control bytes.
set -euo pipefail
source "$(dirname "$0")/scratch.sh"
sqlite3 data.db "CREATE TABLE t (a); INSERT INTO t VALUES (1);"
printf '@Fill=1;Sheet1;1;1\nSELECT a FROM t\n' > good.sql
for i in $(seq 40); do printf '@Bad%d=0\nSELECT a FROM nowhere\n' "$i"; done > bad.sql
debris() { ls -A | grep -E '\.(saving|copying)-|\.lock$' || true; }

# A device, a pipe or a link to either named as the report is never replaced.
mkfifo fifo.xlsx
ln -s /dev/null null_link.xlsx
targets=(fifo.xlsx null_link.xlsx)
if [ "$(id -u)" = 0 ]; then mknod null.xlsx c 1 3; targets+=(null.xlsx); fi
for target in "${targets[@]}"; do
  kind="$(stat -c %F "$target")"
  config run.ini run.log "$target" good.sql
  run run.ini
  check "a report named $target ($kind) is refused" '[ $status = 2 ] && grep -q "is not a regular file" run.log &&
    [ "$(stat -c %F "$target")" = "$kind" ] && [ -z "$(debris)" ]'
done

# Somebody else's file named as the log (the run's own database among them)
# is left as it is; an empty file or an earlier run's log is overwritten.
echo "notes" > notes.txt
for victim in data.db odbc.ini notes.txt; do
  config run.ini "$victim" report.xlsx good.sql
  before="$(sha256sum < "$victim")"
  run run.ini
  check "a log named $victim is refused" '[ $status = 2 ] && grep -q "\"$victim\": the file is not empty and is not a run log" out.txt &&
    [ "$(sha256sum < "$victim")" = "$before" ]'
done
status=0; "$program" --check -F run.ini > out.txt 2>&1 || status=$?
check "--check names a log that would be refused" '[ $status = 1 ] && grep -q "names a file that is not empty and is not a run log" out.txt'
: > empty.log
config run.ini empty.log report.xlsx good.sql
run run.ini
run run.ini
check "an empty log and an earlier log are overwritten" '[ $status = 0 ] && [ "$(grep -c "Open log file successfully." empty.log)" = 1 ]'

# A standard error whose reader has gone neither kills the run nor cuts its log.
config run.ini run.log report.xlsx bad.sql
status=0
/usr/bin/python3 -c 'import os, subprocess, sys
r, w = os.pipe(); os.close(r)
sys.exit(subprocess.call(sys.argv[1:], stdout=w, stderr=w))' timeout 300 "$program" -F run.ini -C || status=$?
check "a closed pipe as standard error" '[ $status = 1 ] && [ "$(grep -c "Error Info: " run.log)" = 40 ] &&
  tail -1 run.log | grep -q "Close the log file." && [ -z "$(debris)" ]'

# Closed standard descriptors: the log is not opened as one of them, so
# the standard-error mirror never writes unstamped lines into it.
status=0; timeout 300 "$program" -F run.ini -C <&- >&- 2>&- || status=$?
check "closed standard descriptors" '[ $status = 1 ] && tail -1 run.log | grep -q "Close the log file." &&
  ! grep -qv "^\[[0-9]\{8\} [0-9:]\{8\}\]    " run.log'

# A value of F_MAXNUM that ends a run (which logs and counts it) is named by --check.
for highest in 32768 1e9; do
  sed -i "s/^F_MAXNUM=.*/F_MAXNUM=$highest/" run.ini
  status=0; "$program" --check -F run.ini > out.txt 2>&1 || status=$?
  check "--check names F_MAXNUM=$highest" '[ $status = 1 ] && grep -q "F_MAXNUM is \"$highest\"" out.txt'
done

# A server's message holding escape sequences reaches the terminal escaped.
printf '@Esc=0\nSELECT a FROM "x\033]0;owned\007\033[2J"\n' > escape.sql
config run.ini run.log report.xlsx escape.sql
run run.ini
check "control characters in terminal output are escaped" '[ $status = 1 ] && grep -qF "x\\x1B]0;owned\\x07\\x1B[2J" out.txt &&
  ! grep -q $'"'"'\033'"'"' out.txt'

# A report name whose save would need names longer than the folder allows
# fails before the first statement; --check says so too.
long="$(printf 'r%.0s' $(seq 234)).xlsx"
config run.ini run.log "$long" bad.sql
run run.ini
check "a report name too long for the save fails at once" '[ $status = 2 ] && grep -q "is too long" run.log &&
  ! grep -q "\[Bad1\]" run.log && [ -z "$(debris)" ] && [ ! -e "$long" ]'
status=0; "$program" --check -F run.ini > out.txt 2>&1 || status=$?
check "--check names a report name too long for the save" '[ $status = 1 ] && grep -q "cannot be saved: The file name" out.txt'

# A run killed by SIGKILL leaves its lock and a save's temporaries; a run of
# another user who may write the folder takes them over.
if [ "$(id -u)" = 0 ]; then
  chmod 777 "$work"; chmod 644 data.db
  mkdir shared && chmod 777 shared
  printf '@Wait=0\nWITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000000) SELECT count(*) FROM n\n' > slow.sql
  config slow.ini root.log shared/report.xlsx slow.sql
  "$program" -F slow.ini -C > /dev/null 2>&1 & pid=$!
  for _ in $(seq 3000); do grep -q "\[Wait\]    WITH" root.log 2>/dev/null && break; sleep 0.01; done
  kill -9 $pid; wait $pid 2>/dev/null || true
  touch shared/.report.xlsx.saving-AbCdEf shared/.report.xlsx.saving-AbCdEf.Gh1jK2 shared/.report.xlsx.copying-x1y2z3
  lock_owner="$(stat -c %U shared/.report.xlsx.lock)"
  printf '@One=1;Sheet1;1;1\nSELECT 1\n' > one.sql
  config user.ini shared/user.log shared/report.xlsx one.sql
  status=0; runuser -u nobody -- env ODBCINI="$ODBCINI" timeout 300 "$program" -F user.ini -C > out.txt 2>&1 || status=$?
  check "a stale lock of another user ($lock_owner) is taken over" '[ $status = 0 ] && [ "$(ls -A shared)" = "$(printf "report.xlsx\nuser.log")" ]'
  # A live run's lock still stops the other user.
  rm root.log
  "$program" -F slow.ini -C > /dev/null 2>&1 & pid=$!
  for _ in $(seq 3000); do grep -q "\[Wait\]    WITH" root.log 2>/dev/null && break; sleep 0.01; done
  status=0; runuser -u nobody -- env ODBCINI="$ODBCINI" timeout 300 "$program" -F user.ini -C > out.txt 2>&1 || status=$?
  kill -TERM $pid; wait $pid || true
  check "a live lock of another user stops the run" '[ $status = 2 ] && grep -q "is in use by another run (process $pid)" shared/user.log'
  # In a folder whose sticky bit keeps another user's stale lock from being
  # removed, the lock is used where it lies, and still keeps out a third user.
  mkdir sticky && chmod 1777 sticky && touch sticky/.report.xlsx.lock
  sed 's#shared/#sticky/#' slow.ini > sticky-slow.ini; sed 's#shared/#sticky/#' user.ini > sticky-user.ini
  status=0; runuser -u nobody -- env ODBCINI="$ODBCINI" timeout 300 "$program" -F sticky-user.ini -C > out.txt 2>&1 || status=$?
  check "a stale lock of another user in a sticky folder is used where it lies" '[ $status = 0 ] && [ -s sticky/report.xlsx ] && [ -e sticky/.report.xlsx.lock ]'
  sed -i 's#^LogFileName=.*#LogFileName=sticky/slow.log#' sticky-slow.ini
  runuser -u nobody -- env ODBCINI="$ODBCINI" "$program" -F sticky-slow.ini -C > /dev/null 2>&1 & pid=$!
  for _ in $(seq 3000); do grep -q "\[Wait\]    WITH" sticky/slow.log 2>/dev/null && break; sleep 0.01; done
  sed -i 's#^LogFileName=.*#LogFileName=sticky/daemon.log#' sticky-user.ini
  status=0; runuser -u daemon -- env ODBCINI="$ODBCINI" timeout 300 "$program" -F sticky-user.ini -C > out.txt 2>&1 || status=$?
  kill -TERM $pid; wait $pid || true
  check "a taken-over lock keeps a third user out" '[ $status = 2 ] && grep -q "is in use by another run" sticky/daemon.log'
fi

# A stop that the driver keeps waiting (a database that another process
# holds locked) is given up after five seconds, or at once on a second
# signal, with the interruption logged and the lock and temporaries gone.
sqlite3 locked.db "CREATE TABLE t (a); INSERT INTO t VALUES (1);"
printf '[Locked]\nDriver=SQLite3\nDatabase=%s/locked.db\nNoCreat=1\nTimeout=100000\n' "$work" >> odbc.ini
/usr/bin/python3 -c 'import sqlite3, time
c = sqlite3.connect("locked.db", isolation_level=None); c.execute("BEGIN EXCLUSIVE")
print("locked", flush=True); time.sleep(300)' > holder.txt & holder=$!
printf '@Attach=0\nATTACH DATABASE '"'"'%s/locked.db'"'"' AS l\n@Wait=1;Sheet1;1;1\nSELECT a FROM l.t\n' "$work" > attach.sql
for _ in $(seq 500); do grep -q locked holder.txt && break; sleep 0.01; done
# blocked_run INI LINE SIGNALS: signals (kill arguments, a second apart)
# once the log shows LINE; the seconds from the first to the end in $took.
blocked_run() {
  rm -f run.log
  "$program" -F "$1" -C > out.txt 2>&1 & pid=$!
  for _ in $(seq 1000); do grep -q "$2" run.log 2>/dev/null && break; sleep 0.01; done
  sleep 0.5
  local start signal
  start=$(date +%s)
  for signal in $3; do kill "$signal" $pid 2>/dev/null || true; sleep 1; done
  status=0; timeout 60 tail --pid=$pid -f /dev/null || true; wait $pid || status=$?
  took=$(($(date +%s) - start))
}
interrupted() { tail -2 run.log | head -1 | grep -q "Error: The run was interrupted." && tail -1 run.log | grep -q "$1"; }
sed 's/DSN=Hostile/DSN=Locked/' run.ini > locked.ini
sed -i "s/^ReportFileName=.*/ReportFileName=report.xlsx/;s/^F1=.*/F1=good.sql/" locked.ini
blocked_run locked.ini "Open log file successfully." -TERM
check "SIGTERM while connecting to a locked database" '[ $status = 2 ] && [ $took -le 15 ] && interrupted SIGTERM'
config attach.ini run.log report.xlsx attach.sql
blocked_run attach.ini "SELECT a FROM l.t" "-INT -TERM"
check "a second signal while a statement waits on a lock" '[ $status = 2 ] && [ $took -le 4 ] && interrupted SIGINT &&
  [ "$(state report.xlsx || true)" = template ] && [ -z "$(debris)" ]'
start=$(date +%s); status=0; timeout 120 "$program" --check -F locked.ini > out.txt 2>&1 || status=$?
check "--check on a locked database stops after 30 seconds" '[ $status = 1 ] && [ $(($(date +%s) - start)) -le 45 ] &&
  grep -q "The data source \"Locked\" did not answer within 30 seconds" out.txt && grep -q "^1 error, " out.txt'
kill $holder; wait $holder 2>/dev/null || true

# The same with a PostgreSQL backend that has stopped answering (SIGSTOP):
# the cancel request never reaches it. A private server on a socket in the
# scratch folder, run as nobody where we are root (it refuses root).
pg_bin="${TALLYVANE_PG_BIN:-/usr/lib/postgresql/15/bin}"
if [ -x "$pg_bin/initdb" ]; then
  as_server=()
  mkdir pg
  if [ "$(id -u)" = 0 ]; then chmod 777 "$work"; chown nobody: pg; as_server=(runuser -u nobody --); fi
  pg_ctl() { "${as_server[@]}" "$pg_bin/pg_ctl" -D "$work/pg/data" "$@" > /dev/null; }
  "${as_server[@]}" "$pg_bin/initdb" -D "$work/pg/data" -U tv -A trust --no-locale -E UTF8 --no-sync > /dev/null
  pg_ctl -l "$work/pg/server.log" -o "-c listen_addresses='' -k $work/pg -p 54331 -c fsync=off" -w -t 60 start
  printf '[Pg]\nDriver=PostgreSQL Unicode\nServername=%s/pg\nPort=54331\nDatabase=postgres\nSSLmode=disable\n' "$work" >> odbc.ini
  printf '@Sleep=0\nSELECT pg_sleep(60)\n' > sleep.sql
  config pg.ini run.log report.xlsx sleep.sql
  sed -i 's/^DSN=Hostile/DSN=Pg\nDBUSER=tv/' pg.ini
  rm -f run.log
  "$program" -F pg.ini -C > out.txt 2>&1 & pid=$!
  for _ in $(seq 1000); do grep -q "\[Sleep\]    SELECT" run.log 2>/dev/null && break; sleep 0.01; done
  sleep 0.5
  backend="$(pgrep -f "postgres: tv postgres" | head -1 || true)"
  [ -n "$backend" ] && kill -STOP "$backend"
  start=$(date +%s); kill -TERM $pid
  status=0; timeout 60 tail --pid=$pid -f /dev/null || true; wait $pid || status=$?
  took=$(($(date +%s) - start))
  [ -n "$backend" ] && kill -CONT "$backend"
  pg_ctl -m immediate stop || true
  check "SIGTERM while a stopped PostgreSQL backend holds the statement" '[ -n "$backend" ] && [ $status = 2 ] &&
    [ $took -le 15 ] && interrupted SIGTERM && [ -z "$(debris)" ]'
fi

# Memory running out while cells are written (a real address-space limit,
# where no sanitizer needs the address space): the statement fails, and
# whatever is saved has every part well-formed.
if [ "${2:-OFF}" != ON ]; then
  sqlite3 wide.db "CREATE TABLE b (c1,c2,c3,c4,c5,c6,c7,c8,c9,c10);
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
    INSERT INTO b SELECT printf('%d-%.6000c', i, 'a'), printf('%d-%.6000c', i, 'b'), printf('%d-%.6000c', i, 'c'),
      printf('%d-%.6000c', i, 'd'), printf('%d-%.6000c', i, 'e'), printf('%d-%.6000c', i, 'f'),
      printf('%d-%.6000c', i, 'g'), printf('%d-%.6000c', i, 'h'), printf('%d-%.6000c', i, 'i'),
      printf('%d-%.6000c', i, 'j') FROM n;"
  printf '[Wide]\nDriver=SQLite3\nDatabase=%s/wide.db\nNoCreat=1\n' "$work" >> odbc.ini
  printf '@Wide=1;Sheet1;1;1\nSELECT * FROM b\n' > wide.sql
  config wide.ini run.log report.xlsx wide.sql
  sed -i 's/DSN=Hostile/DSN=Wide/' wide.ini
  # Where the limit falls depends on how little the run needs, so a sweep
  # of limits: every run ends with its log closed and a report whose parts
  # are well-formed, and at least one runs out while writing cells.
  well_formed='/usr/bin/python3 -c "
import sys, zipfile, xml.etree.ElementTree as tree
with zipfile.ZipFile(sys.argv[1]) as package:
    for name in package.namelist():
        if name.endswith((\".xml\", \".rels\")): tree.fromstring(package.read(name))" report.xlsx'
  caught=""
  for limit in $(seq 420000 10000 520000); do
    rm -f report.xlsx
    run wide.ini prlimit --as=$((limit << 10))
    check "memory limited to ${limit} KiB leaves every part well-formed" '[ $status -le 1 ] &&
      tail -1 run.log | grep -q "Close the log file." && eval "$well_formed"'
    if [ $status = 1 ] && grep -q "cannot write a cell.*out of memory" run.log; then caught="$caught $limit"; fi
  done
  check "memory runs out while cells are written (at$caught KiB)" '[ -n "$caught" ]'
fi
