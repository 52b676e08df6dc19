#!/usr/bin/env bash
# Builds the Debian package and checks its dependencies, its files, its
# desktop entry and its manual page.
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null)
deb="$(ls "$scratch"/out/tallyvane_*.deb)"
info="$(dpkg-deb --info "$deb")"
echo "$info" | grep -E "^ (Package|Version|Depends|Recommends):"
for needed in libqt6widgets6 libodbc2 unixodbc libzip4 libpugixml1v5; do
  grep -q "Depends:.*$needed" <<<"$info" || { echo "missing dependency $needed"; exit 1; }
done
grep -q "Recommends:.*libsqliteodbc" <<<"$info"

dpkg-deb -x "$deb" "$scratch/root"
for file in usr/lib/tallyvane/tallyvane usr/lib/tallyvane/Tallyvane/Help/tallyvane-help.htm \
            usr/share/applications/tallyvane.desktop usr/share/icons/hicolor/scalable/apps/tallyvane.svg \
            usr/share/man/man1/tallyvane.1.gz usr/share/doc/tallyvane/examples/month.ini; do
  [ -e "$scratch/root/$file" ] || { echo "missing $file"; exit 1; }
done
[ "$(readlink "$scratch/root/usr/bin/tallyvane")" = "../lib/tallyvane/tallyvane" ]
desktop-file-validate "$scratch/root/usr/share/applications/tallyvane.desktop"
MANWIDTH=80 man -l "$scratch/root/usr/share/man/man1/tallyvane.1.gz" 2>/dev/null | grep -q "EXIT STATUS"
echo "package test passed"
