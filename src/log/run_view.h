#pragma once
// The boxes of the main window that a run writes into while it lasts. The
// main window implements it; the run itself never sees a widget.
#include <string>

namespace tallyvane {

enum class RunViewBox {
  TemplateFileName,
  ReportFileName,
  LogFileName,
  SqlFileCount,
  SqlStatementCount,
  ErrorCount,
};

class RunView {
 public:
  virtual ~RunView() = default;
  virtual void SetBoxText(RunViewBox box, const std::string& text) = 0;
  virtual void ClearLogInfo() = 0;
  virtual void AppendLogInfo(const std::string& text) = 0;
  // Each error the log receives, as its two lines tell it (without their
  // "Error: " and "Error Info: "), after they are shown.
  virtual void ErrorLogged(const std::string& where, const std::string& info) = 0;
};

}  // namespace tallyvane
