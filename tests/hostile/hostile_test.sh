#!/usr/bin/env bash
# Runs the built program unattended on hostile workbooks, SQL files and
# configurations, each under a time limit (and a memory limit where no
# sanitizer needs the address space): every run must end by itself with the
# expected log lines, never a crash, hang or runaway memory.
set -euo pipefail
source "$(dirname "$0")/scratch.sh"
sanitized="${2:-OFF}"
sqlite3 data.db "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);"
mkdir inputs
/usr/bin/python3 "$root/tests/hostile/make_hostile_inputs.py" inputs template.xlsx

# run NAME TEMPLATE SQLFILE EXPECTED_STATUS EXPECTED_LOG_TEXT...
run() {
  local name="$1" template="$2" sql="$3" expected_status="$4"
  shift 4
  mkdir -p "case_$name"
  config "case_$name/run.ini" "case_$name/run.log" "case_$name/report.xlsx" "$sql" "$template"
  local limit=()
  [ "$sanitized" = "ON" ] || limit=(prlimit --as=$((3 << 30)))
  local status=0
  timeout 300 "${limit[@]}" "$program" -F "case_$name/run.ini" -C \
    > "case_$name/output.txt" 2>&1 || status=$?
  local problem=""
  [ "$status" = "$expected_status" ] || problem="exit status $status, expected $expected_status"
  for text in "$@"; do
    grep -qF -- "$text" "case_$name/run.log" 2>/dev/null || problem="$problem; no log line with: $text"
  done
  if [ -n "$problem" ]; then
    fail "$name: $problem"
    sed 's/^/    log: /' "case_$name/run.log" 2>/dev/null | cut -c1-300 | tail -6
    sed 's/^/    out: /' "case_$name/output.txt" | tail -5
  else
    echo "ok   $name"
  fi
}

good_sql="$work/good.sql"
printf '@G=1;Sheet1;1;1\nSELECT a FROM t\n' > "$good_sql"
open_failed="Error: Failed to open the report file"

run not_a_zip inputs/not_a_zip.xlsx "$good_sql" 2 "$open_failed" "not a zip archive"
run old_binary inputs/old_binary.xls "$good_sql" 2 "$open_failed" "(.xls) is not supported"
run truncated inputs/truncated.xlsx "$good_sql" 2 "$open_failed"
run no_workbook inputs/no_workbook.xlsx "$good_sql" 2 "$open_failed"
run malformed inputs/malformed.xlsx "$good_sql" 1 "Error: Failed to execute function 1." "Close the log file."
# Entities are never expanded: the sheet opens as it stands.
run laughs inputs/laughs.xlsx "$good_sql" 0 "Close the log file."
run bomb inputs/bomb.xlsx "$good_sql" 1 "Error: Failed to execute function 1." "Close the log file."
run full_sheet inputs/full_sheet.xlsx "$good_sql" 0 "[SQLFILE1]  [G]    Success." "Close the log file."
run dotdot inputs/dotdot.xlsx "$good_sql" 0 "Close the log file."
[ ! -e "$work/../escaped.txt" ] && [ ! -e "$work/escaped.txt" ] || fail "dotdot: a part escaped"

run garbage template.xlsx inputs/garbage.sql 1 "Close the log file."
run long_line template.xlsx inputs/long_line.sql 1 "Error: Failed to read [SQLFILE1]" "Close the log file."
run nul_bytes template.xlsx inputs/nul_bytes.sql 0 "[SQLFILE1]  [Nul]    SELECT 'before'" "Close the log file."
run bad_utf8 template.xlsx inputs/bad_utf8.sql 1 "is not valid UTF-8 text at line 2." "Close the log file."
mkdir folder.sql && mkfifo fifo.sql
run folder template.xlsx folder.sql 1 "does not exist." "Close the log file."
run fifo template.xlsx fifo.sql 1 "does not exist." "Close the log file."

# Configurations: binary garbage, a folder, a log that is a folder.
# run_config NAME CONFIG PATTERN: the run stops with status 2 and PATTERN in its output.
run_config() {
  local status=0
  timeout 60 "$program" -F "$2" -C > "$1.out" 2>&1 || status=$?
  if [ "$status" = 2 ] && grep -q "$3" "$1.out"; then echo "ok   $1"; else fail "$1: status $status"; cat "$1.out"; fi
}
head -c 4096 inputs/garbage.sql > garbage.ini
run_config garbage_config garbage.ini "^Error Info: "
run_config folder_config inputs 'Configuration file "inputs" does not exist.'
printf '[FILE]\nLogFileName=inputs\n' > log_folder.ini
run_config log_is_folder log_folder.ini '^Error Info: .*inputs'

echo "$failures hostile input(s) failed"
[ "$failures" = 0 ]
