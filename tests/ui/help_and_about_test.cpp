// Help Content, OpenDocument and the about box.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "main_window_fixture.h"
#include "run/program_folder.h"
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
// opens normally with the open verb.
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
}

// A desktop without a program for HTML: xdg-open gives up only after
// seconds (here a stand-in on PATH that fails after 3.5 s, past any short
// wait). The window goes on handling its events meanwhile, and the help
// then shows in a window of the program's own.
TEST_F(MainWindowTest, WithoutABrowserTheHelpShowsInAWindowOfItsOwn) {
  InstalledHelpDocument installed;
  std::ofstream(HelpDocumentPath()) << "<html><body><h1>Tallyvane help</h1></body></html>";
  const std::string fake = folder_.Write("bin/xdg-open", "#!/bin/sh\nsleep 3.5\nexit 3\n");
  std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(folder_.File("bin")) + ":" + path);
  FrmMain desktop_window(context_);  // with the real opener
  int ticks = 0;
  QTimer ticking;
  QObject::connect(&ticking, &QTimer::timeout, [&] { ++ticks; });
  ticking.start(100);
  QElapsedTimer took;
  took.start();
  desktop_window.findChild<QAction*>(QStringLiteral("mnuHContent"))->trigger();
  qputenv("PATH", path);
  EXPECT_GE(took.elapsed(), 3500) << "the opener's verdict was not waited for";
  EXPECT_GE(ticks, 20) << "the window froze while the opener worked";
  auto* help = desktop_window.findChild<QWidget*>(QStringLiteral("frmHelp"));
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->findChild<QTextBrowser*>(QStringLiteral("txtHelp"))->toPlainText().contains("Tallyvane help"));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "no error box besides";
}

TEST(HelpDocument, IsInstalledBesideTheProgramAndCoversTheOperatorsTopics) {
  const std::string path = std::string(TALLYVANE_BUILD_DIR) + "/Tallyvane/Help/tallyvane-help.htm";
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  const QString html = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(html.startsWith("<!DOCTYPE html>"));
  for (const char* topic : {"[FILE]",
                            "LogFileName",
                            "ReportTemplateFileName",
                            "ReportFileName",
                            "[ODBC]",
                            "DSN",
                            "DBUSER",
                            "DBPWD",
                            "[SQLFILE]",
                            "F_MAXNUM",
                            "[PARAMETER]",
                            "Name1",
                            "Desc1",
                            "Default1",
                            "&amp;Y",
                            "&amp;M",
                            "&amp;D",
                            "&amp;H",
                            "&amp;N",
                            "&amp;S",
                            "-F",
                            "-C",
                            "Generate report?",
                            "Save default vaule",
                            "Log Information",
                            "exit status"})
    EXPECT_TRUE(html.contains(QString::fromLatin1(topic))) << topic;
}

TEST_F(MainWindowTest, AboutBoxShowsNameVersionAndNotice) {
  ModalScript script;
  script.When("frmAbout", [this](QWidget* about) {
    EXPECT_EQ(about->windowTitle(), "About Tallyvane");
    const std::pair<const char*, std::string> labels[] = {
        {"lblSysName", "Tallyvane"},
        {"lblSysVer", "Version 1.4.0"},
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
