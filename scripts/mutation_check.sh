#!/usr/bin/env bash
# Plants deliberate faults in the code one at a time and reports which of
# them the tests catch. Each fault is one literal replacement in one source
# file (found by the text it replaces, so that it survives files moving);
# the check works on a copy of the tree, so the working tree is never
# touched, and rebuilds only the test programs the fault is checked by.
#
#   scripts/mutation_check.sh [pattern]   only the faults whose name matches
#                                          (an extended regular expression)
#
# Checks the working tree, or the commit MUTATION_REV names. Writes the
# table to build-mutation/result.txt (or $MUTATION_RESULT); exit status 1
# when a fault could not be planted or did not build (a stale entry).
set -uo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
work="$top/build-mutation"
tree="$work/tree"
only="${1:-}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-/work}"

# name ~~ test programs (ctest labels) ~~ text ~~ replacement
# Texts are literal; \n in them stands for a line break.
faults=$(cat <<'EOF'
command line: lower-case -c not an option ~~ app_tests ~~ } else if (upper == "-C") { ~~ } else if (token == "-C") {
exit status: a run with errors exits 0 ~~ app_tests program_tests ~~ return error_count == 0 ? 0 : 1; ~~ return error_count < 0 ? 1 : 0;
macros: &N gives the seconds ~~ config_tests ~~ case 'N': return TwoDigits(moment.minute); ~~ case 'N': return TwoDigits(moment.second);
run settings: user read from DBPWD ~~ config_tests program_tests ~~ settings.DbUserName = ReadSetting(settings, "ODBC", "DBUSER"); ~~ settings.DbUserName = ReadSetting(settings, "ODBC", "DBPWD");
INI: lines starting with # read as entries ~~ platform_tests ~~ trimmed[0] == ';' || trimmed[0] == '#') return line; ~~ trimmed[0] == ';') return line;
INI: a name in capitals not found ~~ platform_tests config_tests ~~ if (Lower(a[i]) != Lower(b[i])) return false; ~~ if (Lower(a[i]) != b[i]) return false;
log: time stamp day and month swapped ~~ log_tests ~~ moment.year, moment.month, moment.day, ~~ moment.year, moment.day, moment.month,
log: view keeps nine lines ~~ log_tests ~~ log.counters.LogViewLineCount >= kLogViewCapacity ~~ log.counters.LogViewLineCount > kLogViewCapacity
db: user named only when empty ~~ app_tests program_tests ~~ if (!settings.DbUserName.empty()) target += ~~ if (settings.DbUserName.empty()) target +=
sql reader: label keeps its @ ~~ sql_tests ~~ pending.label = line.substr(1, equals - 1); ~~ pending.label = line.substr(0, equals);
sql reader: # inside double quotes starts a comment ~~ sql_tests ~~ if (!IsQuote(c)) {\n      take(1); ~~ if (!IsQuote(c) || c == '"') {\n      take(1);
dispatch: begin row read from the column field ~~ sql_tests workbook_tests ~~ decoded.begin_row = NumberField(parts, 2); ~~ decoded.begin_row = NumberField(parts, 3);
function 2: one row too many inserted ~~ workbook_tests ~~ sheet.InsertRows(CheckedAdd16(begin_row, 1), count - 2); ~~ sheet.InsertRows(CheckedAdd16(begin_row, 1), count - 1);
function 1: by-column rows and columns swapped ~~ workbook_tests ~~ const int row = static_cast<int>(by_column ? inner : outer); ~~ const int row = static_cast<int>(by_column ? outer : inner);
function 3: an empty result is a success ~~ workbook_tests ~~ bool assigned = false; ~~ bool assigned = true;
field text: seconds alone show no time ~~ workbook_tests ~~ dt.minute != 0 || dt.second != 0 || ~~ dt.minute != 0 ||
engine: a row at the insertion does not move ~~ spreadsheet_tests ~~ if (*index < ins.at) return true; ~~ if (*index <= ins.at) return true;
engine: a name before ( taken for a reference ~~ spreadsheet_tests ~~ c == '(' || c == '[' ~~ c == '['
engine: 1900-03-01 one day early ~~ spreadsheet_tests workbook_tests ~~ if (s >= 60) ++s; ~~ if (s > 60) ++s;
engine: escape-like text beside a control character not escaped ~~ spreadsheet_tests ~~ out += "_x005F_";\n      continue; ~~ out += "_";\n      continue;
engine: quote not escaped in attributes ~~ spreadsheet_tests ~~ case '"': rep = attribute ? "&quot;" : nullptr; break; ~~ case '"': rep = nullptr; break;
engine: comment box anchors one off ~~ spreadsheet_tests ~~ shifted = std::to_string(index - 1); ~~ shifted = std::to_string(index);
engine: format ranges directly above do not grow ~~ spreadsheet_tests ~~ (growth == Growth::Format && at == *hi + 1) ~~ (growth == Growth::Format && at == *hi)
odbc: user name loses its last character ~~ odbc_tests ~~ static_cast<SQLSMALLINT>(wide_user.size()) ~~ static_cast<SQLSMALLINT>(wide_user.size() - 1)
odbc: low surrogate loses a bit ~~ odbc_tests ~~ out->push_back(static_cast<SQLWCHAR>(0xDC00 + (c & 0x3FF))); ~~ out->push_back(static_cast<SQLWCHAR>(0xDC00 + (c & 0x1FF)));
window: one parameter asks the plain question ~~ tallyvane_ui_tests ~~ if (context_.parameters.ParameterCount < 1) ~~ if (context_.parameters.ParameterCount <= 1)
window: shell result 32 taken for success ~~ tallyvane_ui_tests ~~ return result > kHighestFailure || result < 0; ~~ return result >= kHighestFailure || result < 0;
window: last typed parameter not kept ~~ tallyvane_ui_tests ~~ for (int i = 0; i < DeclaredCount(context_); ++i)\n    context_.parameters.Parameters[i].Value ~~ for (int i = 0; i + 1 < DeclaredCount(context_); ++i)\n    context_.parameters.Parameters[i].Value
engine: more parts than the limit accepted ~~ spreadsheet_tests ~~ static_cast<unsigned long long>(n) > limits.max_parts ~~ static_cast<unsigned long long>(n) > 2 * limits.max_parts
engine: calculation chain left in the relationships ~~ spreadsheet_tests ~~ workbook_rels_->RemoveByTarget(r.target);\n ~~ \n
engine: a name's noncharacter written as CHAR ~~ libreoffice_template_tests ~~ out += code < 0x20 ? "CHAR(" ~~ out += code < 0x10000 ? "CHAR("
window: unchecked save still stores the defaults ~~ tallyvane_ui_tests ~~ if (save_default_->isChecked()) SaveDefaults(); ~~ SaveDefaults();
window: desktop opener status 3 taken for a missing file ~~ tallyvane_ui_tests ~~ case 3: return kNoAssociation; ~~ case 3: return kFileNotFound;
operator: one error told in the plural ~~ program_tests ~~ (count == 1 ? "" : "s") ~~ (count == 0 ? "" : "s")
listed: validation directly above does not grow ~~ spreadsheet_tests ~~ ln == "conditionalFormatting" || ln == "dataValidation" ~~ ln == "conditionalFormatting"
listed: merged range off the sheet kept ~~ spreadsheet_tests ~~ element == "mergeCell" || element == "conditionalFormatting" ~~ element == "conditionalFormatting"
listed: CR in cell text not escaped ~~ spreadsheet_tests ~~ case '\r': rep = "&#13;"; break; ~~ case '\r': rep = attribute ? "&#13;" : nullptr; break;
listed: plain _x0041_ not escaped ~~ spreadsheet_tests ~~ if (c < 0x20 || c > 0x7E || c == '_') { ~~ if (c < 0x20 || c > 0x7E) {
listed: understated zip entry size accepted ~~ spreadsheet_tests ~~ if (out.size() > declared || out.size() > limits_.max_part_size) { ~~ if (out.size() > limits_.max_part_size) {
listed: quoted DSN not trimmed ~~ config_tests ~~ return TrimSpaces(ReadIniValue(section, key, settings.CfgFileName)); ~~ return ReadIniValue(section, key, settings.CfgFileName);
listed: text one longer than its buffer cut ~~ odbc_tests ~~ return indicator > column.element_bytes - static_cast<SQLLEN>(TerminatorBytes(column.c_type)); ~~ return indicator > column.element_bytes;
odbc: a time stamp loses its fraction ~~ odbc_tests ~~ out->nanosecond += static_cast<std::uint32_t>(text[*at] - '0') * scale; ~~ out->nanosecond += 0 * scale;
log: a lone CR kept inside a log line ~~ log_tests ~~ line.push_back(text[i] == '\r' || ~~ line.push_back(false ||
INI: a line feed written into a value ~~ platform_tests ~~ if (c == '\r' || c == ~~ if (c == '\r' || 0 ==
odbc: a NULL field read as a value ~~ odbc_tests ~~ if (indicator == SQL_NULL_DATA) return Value::MakeNull();\n  const char* data ~~ const char* data
odbc: a full row block taken for the last ~~ odbc_tests ~~ if (rows_fetched_ < block_rows_) exhausted_ = true; ~~ if (rows_fetched_ <= block_rows_) exhausted_ = true;
odbc: a bit column read as an integer ~~ odbc_tests ~~ return Value::Kind::Boolean; ~~ return Value::Kind::Integer;
window: error count shown in the file count box ~~ tallyvane_ui_tests ~~ case RunViewBox::ErrorCount: return error_count_; ~~ case RunViewBox::ErrorCount: return sql_file_count_;
window: every typed parameter read from the first box ~~ tallyvane_ui_tests ~~ context_.parameters.Parameters[i].Value = values_[i]->text() ~~ context_.parameters.Parameters[i].Value = values_[0]->text()
window: Help Content opens the about box ~~ tallyvane_ui_tests ~~ connect(content, &QAction::triggered, this, &FrmMain::ShowHelpContent); ~~ connect(content, &QAction::triggered, this, &FrmMain::ShowAbout);
window: the window stays enabled during a run ~~ tallyvane_ui_tests ~~ centralWidget()->setEnabled(!running_); ~~ centralWidget()->setEnabled(true);
window: the file dialog ignores the configuration's folder ~~ tallyvane_ui_tests ~~ file_dialog_->Pick(folder); ~~ file_dialog_->Pick(QString());
window: Start takes the typed path untrimmed ~~ tallyvane_ui_tests ~~ TrimSpaces(ini_file_->text().toStdString()); ~~ ini_file_->text().toStdString();
function 2: one column too many inserted ~~ workbook_tests ~~ sheet.InsertColumns(CheckedAdd16(begin_col, 1), count - 2); ~~ sheet.InsertColumns(CheckedAdd16(begin_col, 1), count - 1);
run: errors counted on from the last run ~~ app_tests ~~ context.counters.ErrorCount = 0;\n  context.counters.LogViewLineCount ~~ context.counters.LogViewLineCount
sql text: a tab not taken for a blank ~~ sql_tests ~~ bool IsWhitespace(char c) { return c == ' ' || c == '\t' || ~~ bool IsWhitespace(char c) { return c == ' ' ||
main: windir searched before the program folder ~~ app_tests ~~ candidates.push_back(JoinFolder(environment.windir, name)); ~~ candidates.insert(candidates.begin(), JoinFolder(environment.windir, name));
db: password written after the user ~~ program_tests ~~ "\xEF\xBC\x8C USER=" + settings.DbUserName; ~~ "\xEF\xBC\x8C USER=" + settings.DbUserName + settings.DbPassword;
engine: dates of the 1904 system counted from 1900 ~~ spreadsheet_tests ~~ if (date1904) { ~~ if (date1904 && false) {
engine: doubled quote in a sheet name kept ~~ spreadsheet_tests ~~ *name += '\''; ~~ *name += "''";
engine: oneCell anchors resize ~~ spreadsheet_tests ~~ if (kind == "twoCellAnchor" && edit_as != "oneCell") { ~~ if (kind == "twoCellAnchor") {
engine: emptied cell keeps its type ~~ spreadsheet_tests ~~ if (type && has_content) { ~~ if (type) {
engine: a frozen split at the insertion row not widened ~~ spreadsheet_tests ~~ && ins.at <= split.as_int()) { ~~ && ins.at < split.as_int()) {
engine: the lower pane's first cell moved by an insertion at it ~~ spreadsheet_tests ~~ if (ins.at < index && index + ins.count ~~ if (ins.at <= index && index + ins.count
engine: a page break above the insertion moved ~~ spreadsheet_tests ~~ if (a.as_int() + 1 >= ins.at) ~~ if (a.as_int() + 2 >= ins.at)
engine: protection's row and column permissions swapped ~~ spreadsheet_tests ~~ on(ins.rows ? "insertRows" : "insertColumns", "1") ~~ on(ins.rows ? "insertColumns" : "insertRows", "1")
engine: a threshold on another sheet moved with this sheet's rows ~~ spreadsheet_tests ~~ ShiftFormula(before, ins, own_sheet ? ins.sheet : std::string()) ~~ ShiftFormula(before, ins, ins.sheet)
engine: whole-column references moved ~~ spreadsheet_tests ~~ if (*lo == 1 && *hi == max) return true; ~~ if (false) return true;
engine: an insertion at an array's last row not refused ~~ spreadsheet_tests ~~ first > 0 && first < ins.at && ins.at <= last ~~ first > 0 && first < ins.at && ins.at < last
engine: a column definition ending left of the insertion not widened ~~ spreadsheet_tests ~~ } else if (ins.at <= max + 1) { ~~ } else if (ins.at <= max) {
engine: new rows in a group leave the outline ~~ spreadsheet_tests ~~ if (level > 0) attrs.push_back ~~ if (level > 1) attrs.push_back
engine: new cells do not take the style on their left ~~ spreadsheet_tests ~~ left->column != ins.at - 1 || left->style == 0) continue; ~~ left->column != ins.at - 1 || left->style != -1) continue;
engine: a noncharacter at the very end of a text kept ~~ spreadsheet_tests ~~ static_cast<unsigned char>(t[i]) == 0xEF && i + 2 < t.size() && ~~ static_cast<unsigned char>(t[i]) == 0xEF && i + 3 < t.size() &&
engine: sheet relationships only under the prefix r: ~~ spreadsheet_tests ~~ if (LocalName(a) == "id" && std::string_view(a.name()) != "sheetId") ~~ if (std::string_view(a.name()) == "r:id")
odbc: an unsigned 64-bit integer read as signed ~~ odbc_tests ~~ case Value::Kind::Integer: return is_unsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT; ~~ case Value::Kind::Integer: return is_unsigned ? SQL_C_SBIGINT : SQL_C_SBIGINT;
odbc: long columns read in blocks from every driver ~~ odbc_tests ~~ positions_within_blocks_ = driver.find("psqlodbc") != std::string::npos; ~~ positions_within_blocks_ = true;
odbc: a text cut inside a surrogate pair ~~ odbc_tests ~~ if (last >= 0xD8 && last <= 0xDB) bytes.resize(limit - sizeof(SQLWCHAR)); ~~ (void)last;
cells: 2^53 + 1 written as a number ~~ odbc_tests workbook_tests ~~ if (field.integer > kLargestExact || field.integer < -kLargestExact) { ~~ if (field.integer > kLargestExact + 1 || field.integer < -kLargestExact) {
cells: a decimal of 2^53 written as text ~~ odbc_tests workbook_tests ~~ (digits.size() == largest.size() && digits > largest) ~~ (digits.size() == largest.size() && digits >= largest)
preflight: function 3 warned of a binary column it never reads ~~ program_tests ~~ (fields.function == 3 && column.rfind("column 1 ", 0) != 0)) continue; ~~ false) continue;
platform: code page 65001 not taken for UTF-8 ~~ platform_tests ~~ if (code_page.empty() || code_page == "65001") return "UTF-8"; ~~ if (code_page.empty()) return "UTF-8";
platform: halves of function-line numbers rounded away from zero ~~ platform_tests ~~ const double rounded = std::nearbyint(*number); ~~ const double rounded = std::round(*number);
platform: 32,767 taken for an overflow ~~ platform_tests ~~ if (rounded < -32768.0 || rounded > 32767.0) ~~ if (rounded < -32768.0 || rounded >= 32767.0)
platform: a sum of -32,768 taken for an overflow ~~ platform_tests ~~ if (sum < -32768 || sum > 32767) ~~ if (sum <= -32768 || sum > 32767)
platform: a failed copy leaves its hidden temporary ~~ platform_tests ~~ ::unlink(copy.path.c_str());\n    ThrowErrno("copy to" ~~ ThrowErrno("copy to"
platform: a log with a second name written ~~ platform_tests ~~ if (info.st_nlink > 1) { ~~ if (info.st_nlink > 2) {
platform: CR of a Windows line kept ~~ platform_tests sql_tests ~~ if (!line.empty() && line.back() == '\r') line.pop_back(); ~~ (void)line;
platform: a big-endian UTF-16 mark not seen ~~ platform_tests ~~ || first_bytes.compare(0, 2, "\xFE\xFF") == 0 ~~ || false
platform: SIGHUP not caught during a run ~~ platform_tests ~~ constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP}; ~~ constexpr int kSignals[] = {SIGTERM, SIGINT};
platform: a run starts with the last run's signal ~~ platform_tests ~~ g_pending = 0;\n  g_can_abandon = abandon_ ? 1 : 0; ~~ g_can_abandon = abandon_ ? 1 : 0;
formula: IF computes the branch it does not take ~~ formula_tests ~~ if (c.number != 0) return ev.Evaluate(*args[1]); ~~ if (args.size() > 2) ev.Evaluate(*args[2]);\n  if (c.number != 0) return ev.Evaluate(*args[1]);
formula: texts compared with case ~~ formula_tests ~~ if (Lower(a[i]) != Lower(b[i])) same = false; ~~ if (a[i] != b[i]) same = false;
formula: 0.1+0.2 is not 0.3 ~~ formula_tests ~~ return std::fabs(a - b) < std::fabs(a) * 3.5527136788005009e-15; ~~ return false;
formula: Booleans in ranges taken as certain ~~ formula_tests ~~ if (list.any_boolean) ev.Uncertain(); ~~ if (false) ev.Uncertain();
engine: template results dropped though nothing they read changed ~~ spreadsheet_tests ~~ return r && ((r->certain && StorableResult(r->value)) || !r->changed); ~~ return r && r->certain && StorableResult(r->value);
console: an error's detail line not shown on the terminal ~~ program_tests ~~ + prefix + info_line + ~~ + prefix + info_line.substr(0, 0) +
settings: a report over a file the run reads accepted ~~ config_tests ~~ return log_overlap.empty() ? report_overlap : log_overlap; ~~ return log_overlap;
platform: a name in the system's folders taken for a replaceable file ~~ platform_tests ~~ for (const char* system : {"/dev", "/proc", "/sys"}) { ~~ for (const char* system : {"/nowhere"}) {
platform: a stale lock in a sticky folder not used where it lies ~~ tallyvane ~~ return std::unique_ptr<FileLock>(new FileLock(taken, std::string())); ~~ throw PlatformError("Cannot create the lock file " + lock_path);
window: a stopped run's error box without the error's detail ~~ tallyvane_ui_tests ~~ last_error_info_ = FromUtf8(info); ~~ last_error_info_ = FromUtf8(info.substr(0, 0));
formula: ranges read together not bounded ~~ formula_tests ~~ if (cells > kMaxRangeCells - cells_read_) { ~~ if (cells > kMaxRangeCells) {
EOF
)

# Replaces text by replacement in the one file under src that holds it,
# once, keeping the original in $work/original. Prints the file; fails
# when the text is not there exactly once.
plant() {
  python3 - "$tree/src" "$1" "$2" "$work/original" <<'PY'
import pathlib, shutil, sys
root, text, replacement, backup = sys.argv[1:5]
text, replacement = text.replace("\\n", "\n"), replacement.replace("\\n", "\n")
hits = [p for p in pathlib.Path(root).rglob("*") if p.suffix in (".cpp", ".h") and text in p.read_text(errors="replace")]
if len(hits) != 1 or hits[0].read_text().count(text) != 1:
    sys.exit("the text is not in exactly one place")
shutil.copy2(hits[0], backup)
hits[0].write_text(hits[0].read_text().replace(text, replacement))
print(hits[0])
PY
}

mkdir -p "$work"
# The copy takes only what changed (with a fresh time stamp), so that its
# build stays incremental whichever state it held before.
stage="$work/stage"
rm -rf "$stage" && mkdir -p "$stage" "$tree"
if [ -n "${MUTATION_REV:-}" ]; then
  git archive "$MUTATION_REV" | tar -C "$stage" -xf -
else
  tar -C "$top" --exclude='./build*' --exclude='./.git' -cf - . | tar -C "$stage" -xf -
fi
python3 - "$stage" "$tree" <<'PY'
import filecmp, os, shutil, sys
stage, tree = sys.argv[1:3]
for root, dirs, files in os.walk(tree):
    rel = os.path.relpath(root, tree)
    if rel == "build" or rel.startswith("build" + os.sep):
        dirs[:] = []
        continue
    for name in files:
        if not os.path.exists(os.path.join(stage, rel, name)):
            os.remove(os.path.join(root, name))
for root, dirs, files in os.walk(stage):
    target = os.path.join(tree, os.path.relpath(root, stage))
    os.makedirs(target, exist_ok=True)
    for name in files:
        a, b = os.path.join(root, name), os.path.join(target, name)
        if not os.path.exists(b) or not filecmp.cmp(a, b, shallow=False):
            shutil.copyfile(a, b)
            shutil.copymode(a, b)
PY
cmake -S "$tree" -B "$tree/build" -G Ninja -DTALLYVANE_WERROR=ON \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null || exit 2
cmake --build "$tree/build" -j2 >/dev/null || { echo "the unchanged tree does not build"; exit 2; }

result="${MUTATION_RESULT:-$work/result.txt}"
: >"$result"
caught=0 missed=0 broken=0
while IFS= read -r line; do
  IFS=$'\x1f' read -r name programs text replacement <<<"$(sed 's/ *~~ */\x1f/g' <<<"$line")"
  [ -n "$only" ] && ! [[ "$name" =~ $only ]] && continue
  if ! file=$(plant "$text" "$replacement" 2>&1); then
    status="NOT PLANTED ($file)"
    broken=$((broken + 1))
  else
    labels="^($(echo "$programs" | tr ' ' '|'))\$"
    if ! cmake --build "$tree/build" -j2 --target $programs >"$work/build.log" 2>&1; then
      status="DID NOT BUILD"
      broken=$((broken + 1))
    elif (cd "$tree/build" && ctest -j2 -L "$labels" --timeout 300 --stop-on-failure >"$work/ctest.log" 2>&1); then
      status="missed"
      missed=$((missed + 1))
    else
      status="caught"
      caught=$((caught + 1))
    fi
    # Restored, and newer than its object, so the next build compiles it.
    cp "$work/original" "$file"
    touch "$file"
  fi
  printf '%-50s %-28s %s\n' "$name" "$programs" "$status" | tee -a "$result"
done <<<"$faults"
# Leave the copy's build in step with the unchanged tree.
cmake --build "$tree/build" -j2 >/dev/null 2>&1
printf 'caught %d, missed %d, not checked %d\n' "$caught" "$missed" "$broken" | tee -a "$result"
[ "$broken" -eq 0 ]
