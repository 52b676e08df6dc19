#!/usr/bin/env bash
# Installs what is missing, checks the sources' format, builds Tallyvane, and
# runs every test twice: in the ordinary build and under AddressSanitizer and
# UndefinedBehaviorSanitizer.
# In between, each fuzz target runs for a short while, so that a regression
# the fuzzers know is caught.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
JOBS="${JOBS:-$(nproc)}"

# One style for every C++ source (.clang-format); scripts/format.sh applies it.
bash scripts/format.sh --check

cmake -S . -B build -G Ninja -DTALLYVANE_WERROR=ON
cmake --build build -j"$JOBS"
(cd build && ctest --output-on-failure -j"$JOBS")

bash scripts/fuzz.sh "${FUZZ_SECONDS:-12}"

cmake -S . -B build-sanitize -G Ninja -DTALLYVANE_SANITIZE=ON -DTALLYVANE_WERROR=ON
cmake --build build-sanitize -j"$JOBS"
(cd build-sanitize && ctest --output-on-failure -j"$JOBS")
