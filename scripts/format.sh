#!/usr/bin/env bash
# Formats every C++ source of the tree with the project's .clang-format, or
# with --check only reports the files that are not formatted (exit 1).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' | grep -v '^tests/fuzz/seeds/')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run -Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
