#include "ui/frm_parameter.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtGlobal>
#include <exception>
#include <string>

#include "log/run_log.h"
#include "platform/private_profile.h"
#include "ui/fitted_label.h"
#include "ui/qt_text.h"
#include "ui/question_box.h"

namespace tallyvane {
namespace {

constexpr int kLabelLeft = 16;
constexpr int kLabelWidth = 133;
constexpr int kLabelDrop = 8;
constexpr int kBoxLeft = 160;
constexpr int kBoxWidth = 249;
constexpr int kBoxHeight = 25;
// Left of the grid position 840 twips: the caption needs the room before OK.
constexpr int kCheckLeft = 16;
constexpr int kCheckWidth = 164;
constexpr int kOkLeft = 184;
constexpr int kCancelLeft = 288;
constexpr int kButtonWidth = 89;
constexpr int kButtonHeight = 25;
constexpr const char* kSection = "PARAMETER";

int DeclaredCount(const RunContext& context) {
  if (context.parameters.ParameterCount < 0) return 0;
  return context.parameters.ParameterCount > kMaxParameters ? kMaxParameters : context.parameters.ParameterCount;
}

}  // namespace

FrmParameter::FrmParameter(RunContext& context, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      context_(context) {
  setObjectName(QStringLiteral("frmParameter"));
  setWindowTitle(QStringLiteral("Input Parameters"));
  BuildControls();
  // Each step is skipped when it fails, so that the dialog always opens.
  try {
    ShowDeclaredParameters();
  } catch (const std::exception& error) {
    qWarning("The declared parameters could not be shown: %s", error.what());
  }
  FitToDeclaredRows();
}

void FrmParameter::BuildControls() {
  for (int i = 0; i < kMaxParameters; ++i) {
    const int top = kParameterRowPitch * (i + 1);
    auto* label = new FittedLabel(QString(), this);
    label->setObjectName(QStringLiteral("lblPName%1").arg(i));
    label->setProperty("index", i);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(kLabelLeft, top + kLabelDrop, kLabelWidth, kBoxHeight - kLabelDrop);
    label->setVisible(false);
    label->setEnabled(false);
    names_[i] = label;

    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("txtPVaule%1").arg(i));
    box->setProperty("index", i);
    box->setGeometry(kBoxLeft, top, kBoxWidth, kBoxHeight);
    box->setVisible(false);
    box->setEnabled(false);
    values_[i] = box;
    label->setBuddy(box);
  }
  save_default_ = new QCheckBox(QStringLiteral("Save default vaule"), this);
  save_default_->setObjectName(QStringLiteral("chkSaveDefault"));
  save_default_->setChecked(true);
  save_default_->setGeometry(kCheckLeft, kParameterButtonsFullTop, kCheckWidth, kButtonHeight);

  ok_ = new QPushButton(QStringLiteral("&OK"), this);
  ok_->setObjectName(QStringLiteral("cmdOK"));
  ok_->setGeometry(kOkLeft, kParameterButtonsFullTop, kButtonWidth, kButtonHeight);
  cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel_->setObjectName(QStringLiteral("cmdCancel"));
  cancel_->setGeometry(kCancelLeft, kParameterButtonsFullTop, kButtonWidth, kButtonHeight);
  // Return anywhere in the dialog means OK, which still asks before a run;
  // Esc cancels (QDialog's own rule).
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &FrmParameter::OnOk);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  QWidget* previous = values_[0];
  for (int i = 1; i < kMaxParameters; ++i) {
    setTabOrder(previous, values_[i]);
    previous = values_[i];
  }
  setTabOrder(previous, save_default_);
  setTabOrder(save_default_, ok_);
  setTabOrder(ok_, cancel_);
}

void FrmParameter::ShowDeclaredParameters() {
  for (int i = 0; i < DeclaredCount(context_); ++i) {
    const RunParameter& parameter = context_.parameters.Parameters[i];
    names_[i]->setText(FromUtf8(parameter.Desc.empty() ? parameter.Name : parameter.Desc));
    names_[i]->setVisible(true);
    names_[i]->setEnabled(true);
    values_[i]->setText(FromUtf8(parameter.Value));
    values_[i]->setVisible(true);
    values_[i]->setEnabled(true);
  }
}

// The check box and the buttons sit directly below the last declared row
// and the dialog loses the height of the rows not in use.
void FrmParameter::FitToDeclaredRows() {
  const int lift = (kMaxParameters - DeclaredCount(context_)) * kParameterRowPitch;
  const int top = kParameterButtonsFullTop - lift;
  save_default_->move(kCheckLeft, top);
  ok_->move(kOkLeft, top);
  cancel_->move(kCancelLeft, top);
  setFixedSize(kParameterDialogWidth, kParameterDialogFullHeight - lift);
}

void FrmParameter::OnOk() {
  if (!AskYesNo(this, windowTitle(), QString::fromLatin1(kGenerateReportQuestion))) return;
  context_.RunConfirmed = true;
  try {
    StoreTypedValues();
  } catch (const std::exception& error) {
    qWarning("The typed parameter values could not be kept: %s", error.what());
  }
  try {
    if (save_default_->isChecked()) SaveDefaults();
  } catch (const std::exception& error) {
    qWarning("The parameter defaults could not be saved: %s", error.what());
  }
  accept();
}

void FrmParameter::StoreTypedValues() {
  for (int i = 0; i < DeclaredCount(context_); ++i)
    context_.parameters.Parameters[i].Value = values_[i]->text().toStdString();
}

// Written under each parameter's own number, so that gaps in the
// numbering survive; a description is never created where there was none.
// A write that fails is told to the operator, who asked for the values to
// be kept; the run goes on with the values typed.
void FrmParameter::SaveDefaults() {
  const std::string& file = context_.settings.CfgFileName;
  bool saved = true;
  for (int i = 0; i < DeclaredCount(context_); ++i) {
    const RunParameter& parameter = context_.parameters.Parameters[i];
    const std::string number = std::to_string(parameter.Number);
    saved &= WriteProfileString(kSection, "Name" + number, parameter.Name, file);
    saved &= WriteProfileString(kSection, "Default" + number, parameter.Value, file);
    if (!parameter.Desc.empty()) saved &= WriteProfileString(kSection, "Desc" + number, parameter.Desc, file);
  }
  if (!saved) ShowError(context_.wiring, "Cannot save the default values of the parameters into \"" + file + "\".");
}

}  // namespace tallyvane
