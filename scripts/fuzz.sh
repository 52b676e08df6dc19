#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed time:
#   scripts/fuzz.sh [seconds per target, default 60]
# Crashes are kept in build-fuzz/crashes/<target>/; every one found becomes a test.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTALLYVANE_FUZZ=ON -DTALLYVANE_TESTS=ON -DTALLYVANE_WERROR=ON >/dev/null
targets=(command_line_fuzz ini_fuzz sql_reader_fuzz open_package_fuzz reference_shifter_fuzz workbook_text_fuzz
  formula_fuzz)
# formula_fuzz writes the formulas it finds certain to $FORMULA_FUZZ_SEEDS when set; the
# LibreOffice comparison takes them with FORMULA_CORPUS_FUZZ_SEEDS (tests/ooxml/formula_corpus.py).
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]}"

for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  crashes="build-fuzz/crashes/$target"
  mkdir -p "$corpus" "$crashes"
  seeds="tests/fuzz/seeds/$target"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  echo "== $target for ${seconds}s"
  binary="$(find build-fuzz -type f -name "$target" -perm -u+x | head -1)"
  "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$crashes/" -print_final_stats=1 "$corpus" 2>&1 | grep -E "stat::number_of_executed_units|ERROR|SUMMARY|Done" || true
  if ls "$crashes"/* >/dev/null 2>&1; then
    echo "$target found crashes in $crashes"
    exit 1
  fi
done
