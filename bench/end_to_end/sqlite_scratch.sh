# Sourced by the end-to-end benchmarks after they set $root: a scratch
# folder (removed on exit) as the working folder, with a SQLite data source
# "Bench" over data.db and a template whose defined name Long takes a text.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cd "$work"
printf '[Bench]\nDriver=SQLite3\nDatabase=%s/data.db\nNoCreat=1\n' "$work" > odbc.ini
export ODBCINI="$work/odbc.ini"
/usr/bin/python3 "$root/tests/support/xlsx_tool.py" make template.xlsx \
  '{"sheets": [{"name": "Sheet1"}], "names": {"Long": "\"x\""}}'
