#!/usr/bin/env bash
# Installs into a temporary prefix and runs the installed program through
# its link: once on the example configuration, once with the default
# configuration beside the program and no -F.
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
echo "install test passed"
