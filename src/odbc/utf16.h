#pragma once
// Conversion between UTF-8 and the 2-byte SQLWCHAR (UTF-16) text of unixODBC.
#include <sqltypes.h>

#include <cstddef>
#include <string>

namespace tallyvane::odbc {

using OdbcWideString = std::basic_string<SQLWCHAR>;

// Invalid input becomes U+FFFD rather than being dropped silently.
OdbcWideString Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(const SQLWCHAR* text, std::size_t length);
// Text from a driver that gives bytes (an ANSI driver, or SQLite's):
// UTF-8 as it stands; anything else is taken as Latin-1, so that no byte
// is lost. The second keeps the bytes' own buffer where they are UTF-8.
std::string NarrowTextToUtf8(const char* text, std::size_t length);
std::string NarrowTextToUtf8(std::string bytes);
// Appends to out, so a value read in pieces converts without copies.
void AppendUtf16AsUtf8(const SQLWCHAR* text, std::size_t length, std::string* out);

}  // namespace tallyvane::odbc
