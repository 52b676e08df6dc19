#pragma once
// frmParameter: the run parameters for review before a run, with their
// write-back as defaults into the configuration file.
#include <QDialog>
#include <array>

#include "run/run_context.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tallyvane {

class FittedLabel;

class FrmParameter : public QDialog {
 public:
  FrmParameter(RunContext& context, QWidget* owner);

 private:
  void BuildControls();
  void ShowDeclaredParameters();
  void FitToDeclaredRows();
  void OnOk();
  void StoreTypedValues();
  void SaveDefaults();

  RunContext& context_;
  std::array<FittedLabel*, kMaxParameters> names_{};
  std::array<QLineEdit*, kMaxParameters> values_{};
  QCheckBox* save_default_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// Pixel geometry of the dialog, from its layout in twips at 15 twips to the
// pixel: rows keep their order and their pitch of 480 twips.
inline constexpr int kParameterRowPitch = 32;
inline constexpr int kParameterDialogWidth = 447;
inline constexpr int kParameterDialogFullHeight = 417;
inline constexpr int kParameterButtonsFullTop = 368;

}  // namespace tallyvane
