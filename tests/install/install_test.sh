#!/usr/bin/env bash
# Installs into a temporary prefix and runs the installed program through
# its link: once on the example configuration, once with the default
# configuration beside the program and no -F. The installed example refuses
# to empty a folder it did not make.
set -euo pipefail
build="$1"
root="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
link="$prefix/bin/tallyvane"
[ -L "$link" ] || { echo "bin/tallyvane is not a link"; exit 1; }
[ "$(readlink "$link")" = "../lib/tallyvane/tallyvane" ]
[ -x "$prefix/lib/tallyvane/tallyvane" ]
[ -f "$prefix/share/doc/tallyvane/examples/month.ini" ]

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
"$prefix/share/doc/tallyvane/examples/run-report.sh" "$link" "$scratch/example" 2004 10
ls "$scratch"/example/reports/*.xlsx >/dev/null
ls "$scratch"/example/logs/*.log >/dev/null

# The default configuration: the program's folder, reached through the link.
cp "$scratch/example/month.ini" "$prefix/lib/tallyvane/tallyvane.ini"
rm -rf "$scratch/example/reports" "$scratch/example/logs"
mkdir -p "$scratch/example/reports" "$scratch/example/logs"
(cd "$scratch/example" && ODBCINI="$scratch/example/odbc.ini" "$link" -C 2004 10)
ls "$scratch"/example/reports/*.xlsx >/dev/null
grep -q "Close the log file." "$scratch"/example/logs/*.log
# A folder the example did not make is refused and left as it was.
mkdir -p "$scratch/mine"
echo "keep me" >"$scratch/mine/notes.txt"
status=0
TALLYVANE_EXAMPLE="$scratch/mine" "$prefix/share/doc/tallyvane/examples/run-example.sh" 2004 10 \
  2>"$scratch/refusal" || status=$?
[ "$status" = 2 ] || { echo "foreign folder: exit status $status"; exit 1; }
[ "$(ls -A "$scratch/mine")" = "notes.txt" ] && [ "$(cat "$scratch/mine/notes.txt")" = "keep me" ]
grep -q "was not made by this example" "$scratch/refusal"
# Its own folder, from the earlier run, it empties and fills again.
TALLYVANE_EXAMPLE="$scratch/example" "$prefix/share/doc/tallyvane/examples/run-example.sh" 2004 10 >/dev/null
ls "$scratch"/example/reports/*.xlsx >/dev/null
echo "install test passed"
