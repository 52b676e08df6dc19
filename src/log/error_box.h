#pragma once
// The modal error message box, behind a seam: a window where a display
// exists, standard error where none does, and an answering double in tests.
#include <string>

namespace tallyvane {

class ErrorBox {
 public:
  virtual ~ErrorBox() = default;
  // Shows the whole prompt and returns when the operator has closed it.
  virtual void Show(const std::string& prompt) = 0;
};

// Writes the prompt to standard error: nobody could close a box on a
// machine without a display.
class StderrErrorBox : public ErrorBox {
 public:
  void Show(const std::string& prompt) override;
};

}  // namespace tallyvane
