#include "ui/qt_text.h"

namespace tallyvane {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

}  // namespace tallyvane
