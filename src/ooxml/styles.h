#pragma once
// The style sheet's cell formats: gives a General-formatted cell a date or
// time format by cloning its format record with a built-in number format.
#include <map>
#include <pugixml.hpp>
#include <string>
#include <utility>

namespace tallyvane::ooxml {

// Built-in number formats used for dates and times.
constexpr int kFormatDate = 14;      // short date
constexpr int kFormatTime = 21;      // h:mm:ss
constexpr int kFormatDateTime = 22;  // date with hours and minutes

class Styles {
 public:
  Styles(const std::string& bytes, const std::string& file);
  // The cell format to use for a date or time in a cell with format xf:
  // xf itself unless its number format is General, else a clone of xf with
  // the built-in format (made once per pair).
  int FormatFor(int xf, int builtin_format);
  // Whether cells of format xf are locked when their sheet is protected:
  // they are unless the format says otherwise.
  bool Locked(int xf) const;
  bool Changed() const { return changed_; }
  std::string Serialize() const;

 private:
  bool IsGeneral(int number_format) const;
  int CloneFor(int xf, int builtin_format);

  pugi::xml_document doc_;
  pugi::xml_node cell_xfs_;
  int xf_count_ = 0;
  std::map<std::pair<int, int>, int> clones_;
  int last_xf_ = -1;  // the last answer, for runs of dates in one column format
  int last_format_ = -1;
  int last_result_ = -1;
  std::map<int, bool> custom_general_;
  bool changed_ = false;
};

}  // namespace tallyvane::ooxml
