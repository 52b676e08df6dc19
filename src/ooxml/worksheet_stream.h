#pragma once
// The bytes of a changed worksheet part, produced row by row on a second
// thread while the package writer compresses what is ready.
#include <memory>

#include "ooxml/package.h"
#include "ooxml/worksheet_part.h"

namespace tallyvane::ooxml {

std::shared_ptr<PartStream> MakeWorksheetStream(std::shared_ptr<WorksheetPart> part);

}  // namespace tallyvane::ooxml
