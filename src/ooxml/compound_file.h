#pragma once
// The directory of an OLE compound file (the container of old binary
// workbooks and of encrypted packages), read only as far as needed to tell
// what a file is.
#include <string>

namespace tallyvane::ooxml {

// Whether bytes are a compound file whose directory holds an entry (stream
// or storage) of that name, compared without case as the format does.
// Damaged or hostile files answer false; nothing is read out of bounds and
// no chain is followed forever.
bool CompoundFileHasEntry(const std::string& bytes, const std::string& name);

}  // namespace tallyvane::ooxml
