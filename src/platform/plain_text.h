#pragma once
// Small text helpers that every layer shares: whitespace, trimming, quoting
// names in messages and the tag that names a SQL file.
#include <string>

namespace tallyvane {

// Whitespace is blank, tab, carriage return and line feed.
bool IsWhitespace(char c);

// Removes leading and trailing space characters (not tabs).
std::string TrimSpaces(const std::string& text);

// The text between double quotes, as messages show names and paths.
std::string Quoted(const std::string& text);

// "[SQLFILEn]": how the log and the checks name the SQL file of entry Fn.
std::string SqlFileTag(int number);

}  // namespace tallyvane
