#pragma once
// Pivot tables and their caches: where a table stands on its sheet, and
// asking readers to refresh a cache whose source data was written to.
#include <functional>
#include <string>

#include "ooxml/cell_reference.h"
#include "ooxml/reference_shifter.h"

namespace tallyvane::ooxml {

// The cells a pivot table part occupies (its location); false when the
// part names none.
bool PivotTableArea(const std::string& bytes, RefArea* area, const std::string& file, const std::string& part);

// The pivot table part with its location moved by an insertion into its own
// sheet; "" when nothing changed.
std::string ShiftPivotTableLocation(const std::string& bytes, const Insertion& ins, const std::string& file,
                                    const std::string& part);

// The pivot cache definition with the source range on the inserted-into
// sheet moved; "" when nothing changed.
std::string ShiftPivotCacheReferences(const std::string& bytes, const Insertion& ins, const std::string& file,
                                      const std::string& part);

// The pivot cache definition marked to be refreshed when the file is opened
// when its source may hold written cells: a range of a sheet for which
// written(sheet) is true, or a source given by name (a table or a defined
// name). "" when nothing changed.
std::string RefreshPivotCacheOnLoad(const std::string& bytes, const std::function<bool(const std::string&)>& written,
                                    const std::string& file, const std::string& part);

}  // namespace tallyvane::ooxml
