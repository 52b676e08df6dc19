#pragma once
// The bytes of a changed shared string table, produced piece by piece
// while the package writer compresses them.
#include <memory>

#include "ooxml/package.h"
#include "ooxml/shared_strings.h"

namespace tallyvane::ooxml {

std::shared_ptr<PartStream> MakeSharedStringsStream(std::shared_ptr<const SharedStrings> strings);

}  // namespace tallyvane::ooxml
