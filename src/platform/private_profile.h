#pragma once
// An INI file reader and writer with the semantics of the desktop's
// private-profile functions: section and key names match without regard to
// case, the first match wins, anything absent reads as the empty text, and a
// write changes one entry in place and keeps every other line. Values are
// UTF-8, whatever code page the file is saved in.
#include <string>

namespace tallyvane {

// Values are cut to this many characters when read.
inline constexpr std::size_t kMaxProfileValueLength = 2047;

std::string ReadProfileString(const std::string& section, const std::string& key, const std::string& file_name);

// Why the file's text cannot be read: not valid text in the code page it
// names for itself ([FILE] CodePage, UTF-8 without it), or UTF-16. Empty
// when it can. Such a file reads as empty everywhere and is never written.
std::string ProfileTextError(const std::string& file_name);

// Returns false when the file cannot be written. Carriage returns and line
// feeds in the value become blanks so that a value can never add lines.
bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file_name);

}  // namespace tallyvane
