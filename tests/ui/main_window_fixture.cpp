#include "main_window_fixture.h"

#include <QLineEdit>

#include "run_ini.h"

namespace tallyvane::test {

MainWindowTest::MainWindowTest() : platform_(CreateRealPlatformFactory()) {
  context_.Time = &clock_;
  context_.Platform = platform_.get();
  context_.Errors = &error_box_;
  context_.Interactive = true;
  context_.FileSystem = std::make_unique<FileSystem>();
  window_ = std::make_unique<FrmMain>(context_, &opener_);
  window_->show();
}

MainWindowTest::~MainWindowTest() { window_.reset(); }

QString MainWindowTest::BoxText(const char* name) const {
  auto* box = Find<QLineEdit>(name);
  return box != nullptr ? box->text() : QString();
}

void MainWindowTest::SetConfigBox(const std::string& text) {
  Find<QLineEdit>("txtIniFileName")->setText(QString::fromStdString(text));
}

std::string MainWindowTest::WriteConfig(const std::string& template_file, const std::string& dsn,
                                        const std::string& parameter_section) {
  RunIni ini;
  ini.log = LogPath();
  ini.template_file = template_file;
  ini.report = folder_.File("report.xlsx");
  ini.dsn = dsn;
  ini.parameters = parameter_section;
  return ini.Write(folder_, "report.ini");
}

std::string MainWindowTest::WriteConfigFailingAtConnection(const std::string& parameter_section) {
  const std::string template_file = folder_.Write("template.xlsx", "any");
  return WriteConfig(template_file, "TallyvaneNoSuchSource", parameter_section);
}

}  // namespace tallyvane::test
