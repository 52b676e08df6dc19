#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running
# Tallyvane need. Only what is missing is installed, so a warm machine pays
# nothing; run as root or with sudo available.
set -euo pipefail

PACKAGES=(
  # build, and the format check of the sources
  cmake ninja-build g++ pkg-config clang-format
  # tests
  libgtest-dev libgmock-dev python3 python3-openpyxl
  # a reader that never calculates (the example report's saved totals)
  python3-pandas
  # fuzzing (libFuzzer)
  clang libclang-rt-14-dev
  # workbook engine
  libzip-dev libpugixml-dev
  # workbook engine benchmark (peer writer)
  libxlsxwriter-dev
  # the end-to-end benchmark's Python peer
  python3-pyodbc
  # database layer
  unixodbc unixodbc-dev libsqliteodbc sqlite3 libsqlite3-dev
  odbc-postgresql postgresql
  odbc-mariadb mariadb-server
  # the hostile checks: pgrep finds a server backend to stop
  procps
  # user interface
  qt6-base-dev
  # screenshots of the main window on machines without a display
  xvfb x11-apps
  # the desktop opener of the help document (xdg-open)
  xdg-utils
  # checks of the package's desktop entry and manual page
  desktop-file-utils man-db file
  # conformance checks (formula recalculation)
  libreoffice-calc-nogui
  # the LibreOffice peer of insertions (its UNO API from Python)
  python3-uno
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
