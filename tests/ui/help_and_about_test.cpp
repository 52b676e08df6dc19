// Help Content, OpenDocument and the about box.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "app/program_folder.h"
#include "main_window_fixture.h"
#include "ui/frm_about.h"
#include "ui/help_document.h"

namespace tallyvane::test {
namespace {

// A help document beside the test program, for one test.
struct InstalledHelpDocument {
  InstalledHelpDocument() {
    std::filesystem::create_directories(std::filesystem::path(HelpDocumentPath()).parent_path());
    std::ofstream(HelpDocumentPath()) << "<html></html>";
  }
  ~InstalledHelpDocument() { std::filesystem::remove_all(ProgramFolder() + "/Tallyvane"); }
};

// Wherever the program is started from, the document beside the program
// opens normally with the open verb; a failing opener is shown with the
// failure table's text.
TEST_F(MainWindowTest, HelpContentOpensTheDocumentBesideTheProgramAndShowsAFailure) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder_.path());
  EXPECT_EQ(HelpDocumentPath(), ProgramFolder() + "/Tallyvane/Help/tallyvane-help.htm");
  InstalledHelpDocument installed;
  window_->ShowHelpContent();
  std::filesystem::current_path(previous);
  ASSERT_EQ(opener_.requests.size(), 1u);
  const ShellRequest& request = opener_.requests[0];
  EXPECT_EQ(std::tie(request.target, request.verb, request.show_command),
            std::make_tuple(HelpDocumentPath(), std::string("open"), kShowNormal));
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
                            "Generate report?", "Save default vaule", "Log Information", "exit status"})
    EXPECT_TRUE(html.contains(QString::fromLatin1(topic))) << topic;
}

TEST_F(MainWindowTest, AboutBoxShowsNameVersionAndNotice) {
  ModalScript script;
  script.When("frmAbout", [this](QWidget* about) {
    EXPECT_EQ(about->windowTitle(), "About Tallyvane");
    const std::pair<const char*, std::string> labels[] = {
        {"lblSysName", "Tallyvane"}, {"lblSysVer", "Version 1.4.0"},
        {"lblCopyright", "Copyright (C) 2026 The Tallyvane developers. All rights reserved."},
        {"lblWebAddress", "Help: " + HelpDocumentPath()}};
    for (const auto& [name, text] : labels) EXPECT_EQ(Find<QLabel>(name)->text().toStdString(), text) << name;
    EXPECT_TRUE(Find<QLabel>("lblSysName")->font().bold());
    EXPECT_EQ(Find<QLabel>("imgLogo")->pixmap().size(), QSize(70, 70));
    Find<QPushButton>("cmdOK")->click();
  });
  Find<QAction>("mnuHAbout")->trigger();
  // Every number shows, a zero included.
  EXPECT_EQ(VersionText(2, 0, 0), "Version 2.0.0");
  EXPECT_EQ(VersionText(10, 11, 12), "Version 10.11.12");
}

}  // namespace
}  // namespace tallyvane::test
