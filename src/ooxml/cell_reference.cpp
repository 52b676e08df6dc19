#include "ooxml/cell_reference.h"

namespace tallyvane::ooxml {
namespace {

bool IsUpperOrLower(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Characters that may continue a defined name or function name: a reference
// directly followed by one of them is not a reference.
bool ContinuesName(char c) {
  return IsUpperOrLower(c) || IsDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' || c == '(' || c == '[' ||
         c == '!' || static_cast<unsigned char>(c) >= 0x80;
}

// Reads "$?LETTERS" at pos; returns characters consumed (0 if none).
size_t ReadColumn(std::string_view t, size_t pos, int* column, bool* absolute) {
  size_t i = pos;
  *absolute = false;
  if (i < t.size() && t[i] == '$') {
    *absolute = true;
    ++i;
  }
  size_t start = i;
  while (i < t.size() && IsUpperOrLower(t[i]) && i - start < 4) ++i;
  if (i == start || i - start > 3) return 0;
  *column = ColumnNumber(t.substr(start, i - start));
  if (*column == 0) return 0;
  return i - pos;
}

size_t ReadRow(std::string_view t, size_t pos, int* row, bool* absolute) {
  size_t i = pos;
  *absolute = false;
  if (i < t.size() && t[i] == '$') {
    *absolute = true;
    ++i;
  }
  size_t start = i;
  long value = 0;
  while (i < t.size() && IsDigit(t[i])) {
    value = value * 10 + (t[i] - '0');
    if (value > kMaxRows) return 0;
    ++i;
  }
  if (i == start || value < 1) return 0;
  *row = static_cast<int>(value);
  return i - pos;
}

enum class EndKind { None, Cell, Column, Row };

// Reads the longest end at pos: a cell, else a column, else a row.
EndKind ReadEnd(std::string_view t, size_t pos, RefEnd* e, size_t* used) {
  *e = RefEnd{};
  size_t c = ReadColumn(t, pos, &e->column, &e->column_absolute);
  if (c > 0) {
    size_t r = ReadRow(t, pos + c, &e->row, &e->row_absolute);
    if (r > 0) {
      *used = c + r;
      return EndKind::Cell;
    }
    e->row = 0;
    e->row_absolute = false;
    *used = c;
    return EndKind::Column;
  }
  e->column = 0;
  e->column_absolute = false;
  size_t r = ReadRow(t, pos, &e->row, &e->row_absolute);
  if (r > 0) {
    *used = r;
    return EndKind::Row;
  }
  return EndKind::None;
}

void AppendEnd(std::string& out, const RefEnd& e) {
  if (e.column > 0) {
    if (e.column_absolute) out += '$';
    AppendColumnLetters(out, e.column);
  }
  if (e.row > 0) {
    if (e.row_absolute) out += '$';
    out += std::to_string(e.row);
  }
}

}  // namespace

int ColumnNumber(std::string_view letters) {
  if (letters.empty() || letters.size() > 3) return 0;
  int value = 0;
  for (char c : letters) {
    if (!IsUpperOrLower(c)) return 0;
    value = value * 26 + ((c | 0x20) - 'a' + 1);
  }
  return value <= kMaxColumns ? value : 0;
}

void AppendColumnLetters(std::string& out, int column) {
  char buffer[4];
  int n = 0;
  while (column > 0 && n < 4) {
    int rem = (column - 1) % 26;
    buffer[n++] = static_cast<char>('A' + rem);
    column = (column - 1) / 26;
  }
  while (n > 0) out += buffer[--n];
}

std::string ColumnLetters(int column) {
  std::string s;
  AppendColumnLetters(s, column);
  return s;
}

bool ParseCellName(std::string_view text, int* row, int* column) {
  RefEnd e;
  size_t used = 0;
  if (ReadEnd(text, 0, &e, &used) != EndKind::Cell || used != text.size()) return false;
  *row = e.row;
  *column = e.column;
  return true;
}

std::string CellName(int row, int column) {
  std::string s;
  AppendColumnLetters(s, column);
  s += std::to_string(row);
  return s;
}

bool ParseAreaAt(std::string_view t, size_t pos, RefArea* area, size_t* end) {
  RefEnd first;
  size_t used = 0;
  EndKind k1 = ReadEnd(t, pos, &first, &used);
  if (k1 == EndKind::None) return false;
  size_t i = pos + used;
  if (i < t.size() && t[i] == ':') {
    RefEnd last;
    size_t used2 = 0;
    EndKind k2 = ReadEnd(t, i + 1, &last, &used2);
    bool compatible = (k1 == EndKind::Cell && k2 == EndKind::Cell) ||
                      (k1 == EndKind::Column && k2 == EndKind::Column) || (k1 == EndKind::Row && k2 == EndKind::Row);
    if (compatible && !(i + 1 + used2 < t.size() && ContinuesName(t[i + 1 + used2]))) {
      area->first = first;
      area->last = last;
      area->single = false;
      *end = i + 1 + used2;
      return true;
    }
  }
  if (k1 != EndKind::Cell) return false;
  if (i < t.size() && ContinuesName(t[i])) return false;
  area->first = first;
  area->last = first;
  area->single = true;
  *end = i;
  return true;
}

void AppendArea(std::string& out, const RefArea& a) {
  AppendEnd(out, a.first);
  if (!a.single) {
    out += ':';
    AppendEnd(out, a.last);
  }
}

}  // namespace tallyvane::ooxml
