#!/usr/bin/env bash
# Installs what is missing, builds Tallyvane, and runs the monthly example
# report unattended in build/example: examples/run-example.sh [year] [month]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" --target tallyvane
exec "$root/examples/run-report.sh" "$root/build/tallyvane" "$root/build/example" "$@"
