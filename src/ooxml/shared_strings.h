#pragma once
// The shared string table: finds or appends plain texts, keeping the
// original items byte for byte and appending new ones behind them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tallyvane::ooxml {

class SharedStrings {
 public:
  // bytes: the part as stored, or empty when the workbook has none yet.
  SharedStrings(std::string bytes, const std::string& file);
  // The index of a plain text item equal to text, appending one if needed.
  int Index(std::string_view text);
  bool Changed() const { return added_ > 0; }
  // The text of item index as stored (rich text joined from its runs), or
  // null when there is no such item.
  const std::string* TextAt(int index);
  // The part piece by piece, so that it never sits in memory whole beside
  // the texts it is made from: appends the piece at *cursor (zero to
  // start) to out and moves the cursor on; false once the part is complete.
  struct Cursor {
    int phase = 0;
    std::size_t at = 0;
  };
  bool SerializePiece(Cursor* cursor, std::string& out) const;
  // An upper bound of the serialized part's size.
  long long SizeBound() const;

 private:
  std::string original_;
  std::string root_name_ = "sst";
  std::string prefix_;
  std::string root_attributes_;  // serialized, without count/uniqueCount
  size_t items_begin_ = 0;       // original items are original_[begin, end)
  size_t items_end_ = 0;
  long long count_ = 0;
  int unique_ = 0;
  int added_ = 0;
  // Plain texts and their item numbers, found through an open-addressing
  // table of positions in entries_ (a fill looks texts up once per cell).
  struct Entry {
    std::string text;
    int index;
  };
  int Find(std::string_view text, std::size_t hash) const;
  void Insert(std::string text, int index, std::size_t hash);
  std::vector<Entry> entries_;
  std::vector<std::int32_t> slots_;  // -1 empty, else a position in entries_
  // Items appended since the part was read are entries_ from this one on,
  // in the order of their numbers; their XML is made only when saving.
  std::size_t first_added_entry_ = 0;
  // Items that entries_ does not list (repeated plain texts, rich text),
  // and the lookup by index, built when first asked for.
  std::vector<std::pair<int, std::string>> unlisted_;
  std::vector<const std::string*> by_index_;
};

}  // namespace tallyvane::ooxml
