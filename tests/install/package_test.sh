#!/usr/bin/env bash
# Builds the Debian package with cpack in a build tree of its own, as a
# packager would, and checks that no test was built, the program is
# stripped, its dependencies, files, desktop entry, manual page and contact,
# and that the installed example runs as its README says. That tree holds
# the program alone, as the quick start's example builds it: installing
# from it into a prefix must work as well.
set -euo pipefail
build="$1"
root="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

tree="$build/package-tree"
launcher="$(sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=//p' "$build/CMakeCache.txt")"
cmake -S "$root" -B "$tree" -G Ninja -DTALLYVANE_TESTS=ON -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" \
  -DCMAKE_C_COMPILER_LAUNCHER="$launcher" >/dev/null
(cd "$tree" && cpack -G DEB -B "$scratch/out" >/dev/null)
if find "$tree/tests" -name '*_tests' -type f | grep -q .; then echo "cpack built the tests"; exit 1; fi
cmake --install "$tree" --prefix "$scratch/prefix" >/dev/null
[ -x "$scratch/prefix/bin/tallyvane" ] && [ -s "$scratch/prefix/share/man/man1/tallyvane.1.gz" ]
deb="$(ls "$scratch"/out/tallyvane_*.deb)"
info="$(dpkg-deb --info "$deb")"
if grep -Eiq "example\.(org|com|net)" <<<"$info"; then echo "placeholder domain: $info"; exit 1; fi
grep -q "^ Maintainer: The Tallyvane developers <" <<<"$info"
for needed in libqt6widgets6 libodbc2 unixodbc libzip4 libpugixml1v5; do
  grep -q "Depends:.*$needed" <<<"$info" || { echo "missing dependency $needed"; exit 1; }
done
grep -q "Recommends:.*libsqliteodbc" <<<"$info"
# Continuation lines of the description start with exactly one blank (two
# would make apt show them as preformatted, unwrapped text).
description="$(dpkg-deb --field "$deb" Description)"
[ "$(wc -l <<<"$description")" -gt 1 ]
if tail -n +2 <<<"$description" | grep -qv '^ [^ ]'; then echo "description: $description"; exit 1; fi
contents="$(dpkg-deb --contents "$deb")"
grep -q ' \./usr/share/doc/tallyvane/copyright$' <<<"$contents"

dpkg-deb -x "$deb" "$scratch/root"
for file in usr/lib/tallyvane/tallyvane usr/lib/tallyvane/Tallyvane/Help/tallyvane-help.htm \
            usr/share/applications/tallyvane.desktop usr/share/icons/hicolor/scalable/apps/tallyvane.svg \
            usr/share/man/man1/tallyvane.1.gz usr/share/doc/tallyvane/examples/month.ini; do
  [ -e "$scratch/root/$file" ] || { echo "missing $file"; exit 1; }
done
[ "$(readlink "$scratch/root/usr/bin/tallyvane")" = "../lib/tallyvane/tallyvane" ]
desktop-file-validate "$scratch/root/usr/share/applications/tallyvane.desktop"
# A file manager hands the configuration over as the program takes it.
grep -qx 'Exec=tallyvane -F %f' "$scratch/root/usr/share/applications/tallyvane.desktop"
grep -q '^Upstream-Name: Tallyvane$' "$scratch/root/usr/share/doc/tallyvane/copyright"
MANWIDTH=80 man -l "$scratch/root/usr/share/man/man1/tallyvane.1.gz" 2>/dev/null | grep -q "EXIT STATUS"
file "$scratch/root/usr/lib/tallyvane/tallyvane" | grep -q ", stripped"

# The installed example, run as its README says.
grep -q "/usr/share/doc/tallyvane/examples/run-example.sh 2004 10" "$scratch/root/usr/share/doc/tallyvane/examples/README.md"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM TALLYVANE_EXAMPLE
HOME="$scratch/home" "$scratch/root/usr/share/doc/tallyvane/examples/run-example.sh" 2004 10
ls "$scratch"/home/tallyvane-example/reports/*.xlsx >/dev/null
echo "package test passed"
