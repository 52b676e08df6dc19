#!/usr/bin/env bash
# Pictures of the windows for a person to look at: the main window after a
# run, the parameter dialog, the question and error boxes and the about box,
# at scale 1.0 and 1.5, on a virtual X display (xvfb-run). They are saved as
# PNG files into the folder given, by the label test of the window tests.
#   tests/ui/screenshots.sh BUILD_FOLDER [PICTURE_FOLDER]
set -euo pipefail
build="${1:?usage: $0 BUILD_FOLDER [PICTURE_FOLDER]}"
out="$(realpath -m "${2:-$build/screenshots}")"
mkdir -p "$out"
for scale in 1.0 1.5; do
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale TALLYVANE_SCREENSHOTS="$out" \
    xvfb-run -a -s "-screen 0 1600x1200x24" "$build/tests/ui/tallyvane_ui_tests" \
    --gtest_filter='MainWindowTest.EveryLabelShowsItsTextOrCarriesItAsToolTip'
done
ls "$out"
