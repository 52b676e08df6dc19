#!/usr/bin/env bash
# Runs the monthly example report unattended: examples/run-example.sh [year] [month]
# In the source tree it first installs what is missing and builds Tallyvane,
# then works in build/example. Installed with the package it runs the
# installed program and works in ~/tallyvane-example (or $TALLYVANE_EXAMPLE).
set -euo pipefail
examples="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$examples/.." && pwd)"

if [ -f "$root/scripts/install-deps.sh" ]; then
  bash "$root/scripts/install-deps.sh"
  cmake -S "$root" -B "$root/build" >/dev/null
  cmake --build "$root/build" --target tallyvane
  exec "$examples/run-report.sh" "$root/build/tallyvane" "$root/build/example" "$@"
fi

# Installed: the program of the same installation (examples live in
# share/doc/tallyvane/examples beside bin/), else the one on the PATH.
program="$examples/../../../../bin/tallyvane"
[ -x "$program" ] || program="$(command -v tallyvane)"
for tool in sqlite3 /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "The example needs $tool (apt install sqlite3 python3-openpyxl)." >&2; exit 1; }
done
exec "$examples/run-report.sh" "$program" "${TALLYVANE_EXAMPLE:-$HOME/tallyvane-example}" "$@"
