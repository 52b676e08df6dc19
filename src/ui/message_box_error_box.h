#pragma once
// The error box as a modal window, for machines with a display.
#include "log/error_box.h"

namespace tallyvane {

// True when a window can be shown: a display, or a Qt platform chosen
// explicitly (such as the offscreen one).
bool HasDisplay();

// Creates the application object on first use, so that the unattended
// mode pays for the toolkit only when it has something to show.
void EnsureGuiApplication();

class MessageBoxErrorBox : public ErrorBox {
 public:
  void Show(const std::string& prompt) override;
};

}  // namespace tallyvane
