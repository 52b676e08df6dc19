#pragma once
// The help document in a window of the program's own, for a desktop that
// has no program to open it with: the document is plain HTML.
#include <QWidget>
#include <string>

class QTextBrowser;

namespace tallyvane {

class HelpWindow : public QWidget {
 public:
  // A window of its own, kept by owner (not modal).
  HelpWindow(const std::string& path, QWidget* owner);

 private:
  QTextBrowser* browser_ = nullptr;
};

}  // namespace tallyvane
