#pragma once
// The program's UTF-8 text as the toolkit's text.
#include <QString>
#include <string>

namespace tallyvane {

QString FromUtf8(const std::string& text);

}  // namespace tallyvane
