#pragma once
// Cross-part shifting: an insertion into one sheet moves what the other
// parts of the package hold of its cells. The sheet's own parts (tables,
// drawings, notes, pivot tables) are found through its relationships; the
// parts that may name the sheet from anywhere (tables of other sheets,
// charts, pivot caches) through the content type the package gives them,
// whatever name their producer saved them under.
#include <string>
#include <vector>

namespace tallyvane::ooxml {

class ContentTypes;
class Package;
class Relationships;
struct Insertion;

// The header cell of a table column that columns inserted inside a table
// became; the caller writes it into the sheet.
struct NewTableHeader {
  int row;
  int column;
  std::string name;
};

// Writes every changed part into the package; returns the header cells of
// the new table columns, left to right.
std::vector<NewTableHeader> ShiftCrossPartReferences(Package& package, const ContentTypes& types,
                                                     const Relationships& sheet_relationships, const Insertion& ins,
                                                     const std::string& file);

}  // namespace tallyvane::ooxml
