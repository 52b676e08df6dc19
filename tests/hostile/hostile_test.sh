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

# run_case NAME TEMPLATE SQLFILE EXPECTED_STATUS EXPECTED_LOG_TEXT...
run_case() {
  local case="case_$1" status=0 problem="" limit=()
  mkdir -p "$case"
  config "$case/run.ini" "$case/run.log" "$case/report.xlsx" "$3" "$2"
  [ "$sanitized" = "ON" ] || limit=(prlimit --as=$((3 << 30)))
  timeout 300 "${limit[@]}" "$program" -F "$case/run.ini" -C > "$case/output.txt" 2>&1 || status=$?
  [ "$status" = "$4" ] || problem="exit status $status, expected $4"
  for text in "${@:5}"; do
    grep -qF -- "$text" "$case/run.log" 2>/dev/null || problem="$problem; no log line with: $text"
  done
  if [ -z "$problem" ]; then echo "ok   $1"; return; fi
  fail "$1: $problem"
  sed 's/^/    log: /' "$case/run.log" 2>/dev/null | cut -c1-300 | tail -6
  sed 's/^/    out: /' "$case/output.txt" | tail -5
}

good_sql="$work/good.sql"
printf '@G=1;Sheet1;1;1\nSELECT a FROM t\n' > "$good_sql"
open_failed="Error: Failed to open the report file"

run_case not_a_zip inputs/not_a_zip.xlsx "$good_sql" 2 "$open_failed" "not a zip archive"
run_case malformed inputs/malformed.xlsx "$good_sql" 1 "Error: Failed to execute function 1." "Close the log file."
# Entities are never expanded: the sheet opens as it stands.
run_case laughs inputs/laughs.xlsx "$good_sql" 0 "Close the log file."
run_case bomb inputs/bomb.xlsx "$good_sql" 1 "Error: Failed to execute function 1." "Close the log file."
printf '@T=1;Sheet1;1;1\nSELECT '"'"'text'"'"'\n' > "$work/text.sql"
run_case many_strings inputs/many_strings.xlsx "$work/text.sql" 1 "the shared strings are too large" "Close the log file."
run_case full_sheet inputs/full_sheet.xlsx "$good_sql" 0 "[SQLFILE1]  [G]    Success." "Close the log file."
run_case dotdot inputs/dotdot.xlsx "$good_sql" 0 "Close the log file."
[ ! -e "$work/../escaped.txt" ] && [ ! -e "$work/escaped.txt" ] || fail "dotdot: a part escaped"

run_case garbage template.xlsx inputs/garbage.sql 1 "Close the log file."
run_case long_line template.xlsx inputs/long_line.sql 1 "Error: Failed to read [SQLFILE1]" "Close the log file."
run_case nul_bytes template.xlsx inputs/nul_bytes.sql 0 "[SQLFILE1]  [Nul]    SELECT 'before'" "Close the log file."
run_case bad_utf8 template.xlsx inputs/bad_utf8.sql 1 "is not valid UTF-8 text at line 2." "Close the log file."

# Configurations: binary garbage, a folder, a log that is a folder: each run stops.
head -c 4096 inputs/garbage.sql > garbage.ini
printf '[FILE]\nLogFileName=inputs\n' > log_folder.ini
run garbage.ini
check garbage_config '[ $status = 2 ] && grep -q "^Error Info: " out.txt'
run inputs
check folder_config '[ $status = 2 ] && grep -q "Configuration file \"inputs\" does not exist." out.txt'
run log_folder.ini
check log_is_folder '[ $status = 2 ] && grep -q "^Error Info: .*inputs" out.txt'
