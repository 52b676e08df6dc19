#!/usr/bin/env bash
# Runs the built program unattended on hostile workbooks, SQL files and
# configurations, each under a time limit (and a memory limit where no
# sanitizer needs the address space): every run must end by itself with the
# expected log lines, never a crash, hang or runaway memory.
set -euo pipefail
program="$(realpath "$1")"
sanitized="${2:-OFF}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

cd "$work"
sqlite3 data.db "CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);"
printf '[HostileData]\nDriver=SQLite3\nDatabase=%s/data.db\nNoCreat=1\n' "$work" > odbc.ini
/usr/bin/python3 "$root/tests/support/xlsx_tool.py" make template.xlsx '{"sheets": [{"name": "Sheet1"}]}'
mkdir inputs
/usr/bin/python3 "$root/tests/hostile/make_hostile_inputs.py" inputs template.xlsx

failures=0
# run NAME TEMPLATE SQLFILE EXPECTED_STATUS EXPECTED_LOG_TEXT...
run() {
  local name="$1" template="$2" sql="$3" expected_status="$4"
  shift 4
  mkdir -p "case_$name"
  printf '[FILE]\nLogFileName=case_%s/run.log\nReportTemplateFileName=%s\nReportFileName=case_%s/report.xlsx\n[ODBC]\nDSN=HostileData\n[SQLFILE]\nF_MAXNUM=1\nF1=%s\n' \
    "$name" "$template" "$name" "$sql" > "case_$name/run.ini"
  local limit=()
  [ "$sanitized" = "ON" ] || limit=(prlimit --as=$((3 << 30)))
  local status=0
  ODBCINI="$work/odbc.ini" timeout 300 "${limit[@]}" "$program" -F "case_$name/run.ini" -C \
    > "case_$name/output.txt" 2>&1 || status=$?
  local problem=""
  [ "$status" = "$expected_status" ] || problem="exit status $status, expected $expected_status"
  for text in "$@"; do
    grep -qF -- "$text" "case_$name/run.log" 2>/dev/null || problem="$problem; no log line with: $text"
  done
  if [ -n "$problem" ]; then
    echo "FAIL $name: $problem"
    sed 's/^/    log: /' "case_$name/run.log" 2>/dev/null | cut -c1-300 | tail -6
    sed 's/^/    out: /' "case_$name/output.txt" | tail -5
    failures=$((failures + 1))
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
[ ! -e "$work/../escaped.txt" ] && [ ! -e "$work/escaped.txt" ] || { echo "FAIL dotdot: a part escaped"; failures=$((failures + 1)); }

run garbage template.xlsx inputs/garbage.sql 1 "Close the log file."
run long_line template.xlsx inputs/long_line.sql 1 "Error: Failed to read [SQLFILE1]" "Close the log file."
run nul_bytes template.xlsx inputs/nul_bytes.sql 0 "[SQLFILE1]  [Nul]    SELECT 'before'" "Close the log file."
run bad_utf8 template.xlsx inputs/bad_utf8.sql 1 "is not valid UTF-8 text at line 2." "Close the log file."
mkdir folder.sql && mkfifo fifo.sql
run folder template.xlsx folder.sql 1 "does not exist." "Close the log file."
run fifo template.xlsx fifo.sql 1 "does not exist." "Close the log file."

# Configurations: binary garbage, a folder, a log that is a folder.
head -c 4096 inputs/garbage.sql > garbage.ini
status=0; timeout 60 "$program" -F garbage.ini -C > garbage.out 2>&1 || status=$?
if [ "$status" = 2 ] && grep -q "^Error Info: " garbage.out; then echo "ok   garbage_config"; else
  echo "FAIL garbage_config: status $status"; failures=$((failures + 1)); fi
status=0; timeout 60 "$program" -F inputs -C > folder.out 2>&1 || status=$?
if [ "$status" = 2 ] && grep -q 'Configuration file "inputs" does not exist.' folder.out; then echo "ok   folder_config"; else
  echo "FAIL folder_config: status $status"; failures=$((failures + 1)); fi
printf '[FILE]\nLogFileName=inputs\n' > log_folder.ini
status=0; timeout 60 "$program" -F log_folder.ini -C > log_folder.out 2>&1 || status=$?
if [ "$status" = 2 ] && grep -q '^Error Info: .*inputs' log_folder.out; then echo "ok   log_is_folder"; else
  echo "FAIL log_is_folder: status $status"; cat log_folder.out; failures=$((failures + 1)); fi

echo "$failures hostile input(s) failed"
[ "$failures" = 0 ]
