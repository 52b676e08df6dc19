#pragma once
// The modal Yes/No question with which a run is confirmed.
#include <QString>

class QMessageBox;
class QWidget;

namespace tallyvane {

inline constexpr const char* kGenerateReportQuestion = "Generate report?";

// Makes the box at least as wide as its title needs in a window frame,
// whose title bar would cut a longer title.
void FitBoxToTitle(QMessageBox& box);

// Shows the question with the question icon; true only for Yes.
bool AskYesNo(QWidget* parent, const QString& title, const QString& question);

}  // namespace tallyvane
