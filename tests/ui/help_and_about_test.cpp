// Help Content, OpenDocument and the about box.
#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "app/program_folder.h"
#include "main_window_fixture.h"
#include "ui/frm_about.h"
#include "ui/help_document.h"

namespace tallyvane::test {
namespace {

class HelpTest : public MainWindowTest {
 protected:
  // Installs a help document beside the test program for one test.
  void InstallHelpDocument() {
    std::filesystem::create_directories(std::filesystem::path(HelpDocumentPath()).parent_path());
    std::ofstream(HelpDocumentPath()) << "<html></html>";
    installed_ = true;
  }
  ~HelpTest() override {
    if (installed_) std::filesystem::remove_all(ProgramFolder() + "/Tallyvane");
  }
  bool installed_ = false;
};

// Wherever the program is started from, the document beside the program
// opens normally with the open verb; a missing document or a failing
// opener is shown with the failure table's text, and nothing is opened.
TEST_F(HelpTest, HelpContentOpensTheDocumentBesideTheProgramAndShowsAFailure) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder_.path());
  EXPECT_EQ(HelpDocumentPath(), ProgramFolder() + "/Tallyvane/Help/tallyvane-help.htm");
  {
    ModalScript script;
    script.AnswerMessageBox(QMessageBox::Ok);
    window_->ShowHelpContent();
  }
  EXPECT_TRUE(opener_.requests.empty());
  InstallHelpDocument();
  window_->ShowHelpContent();
  std::filesystem::current_path(previous);
  ASSERT_EQ(opener_.requests.size(), 1u);
  const ShellRequest& request = opener_.requests[0];
  EXPECT_EQ(request.target, HelpDocumentPath());
  EXPECT_EQ(request.verb, "open");
  EXPECT_EQ(request.show_command, kShowNormal);
  EXPECT_EQ(request.owner, window_.get());
  opener_.result = 31;
  ModalScript script;
  BoxSeen seen;
  script.AnswerMessageBox(QMessageBox::Ok, &seen);
  window_->ShowHelpContent();
  EXPECT_EQ(seen.text, "Error!\nError Info: No application is associated with this file type.");
}

TEST(HelpDocument, IsInstalledBesideTheProgramAndCoversTheOperatorsTopics) {
  const std::string path = std::string(TALLYVANE_BUILD_DIR) + "/Tallyvane/Help/tallyvane-help.htm";
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  const QString html = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(html.startsWith("<!DOCTYPE html>"));
  for (const char* topic : {"[FILE]", "LogFileName", "ReportTemplateFileName", "ReportFileName", "[ODBC]", "DSN",
                            "DBUSER", "DBPWD", "[SQLFILE]", "F_MAXNUM", "[PARAMETER]", "Name1", "Desc1",
                            "Default1", "&amp;Y", "&amp;M", "&amp;D", "&amp;H", "&amp;N", "&amp;S", "-F", "-C",
                            "Generate report?", "Save default vaule", "Log Information", "exit status"}) {
    EXPECT_TRUE(html.contains(QString::fromLatin1(topic))) << topic;
  }
}

TEST_F(MainWindowTest, AboutBoxShowsNameVersionAndNotice) {
  ModalScript script;
  script.WhenNamed("frmAbout", [](QWidget* about) {
    EXPECT_EQ(about->windowTitle(), "About Tallyvane");
    EXPECT_EQ(about->findChild<QLabel*>("lblSysName")->text(), "Tallyvane");
    EXPECT_TRUE(about->findChild<QLabel*>("lblSysName")->font().bold());
    EXPECT_EQ(about->findChild<QLabel*>("lblSysVer")->text(), "Version 1.4.0");
    EXPECT_EQ(about->findChild<QLabel*>("lblCopyright")->text(),
              "Copyright (C) 2026 The Tallyvane developers. All rights reserved.");
    EXPECT_EQ(about->findChild<QLabel*>("lblWebAddress")->text(),
              QString::fromStdString("Help: " + HelpDocumentPath()));
    EXPECT_EQ(about->findChild<QLabel*>("imgLogo")->pixmap().size(), QSize(70, 70));
    about->findChild<QPushButton*>("cmdOK")->click();
  });
  Find<QAction>("mnuHAbout")->trigger();
}

TEST(AboutVersion, ShowsEveryNumberAZeroIncluded) {
  EXPECT_EQ(VersionText(2, 0, 0), "Version 2.0.0");
  EXPECT_EQ(VersionText(10, 11, 12), "Version 10.11.12");
}

}  // namespace
}  // namespace tallyvane::test
