// A long run in the window: Stop (key and menu) and closing the window
// cancel the running statement the safe way; the run's files open after it.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <filesystem>
#include <string>
#include <tuple>

#include "main_window_fixture.h"
#include "run_ini.h"
#include "sqlite_data_source.h"
#include "test_context.h"
#include "workbook_reader.h"

namespace tallyvane::test {
namespace {

// Counts to a hundred million: half a minute or more in SQLite, unless
// cancelled.
const char* const kSleepingStatement =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000000) SELECT count(*) FROM n";

class LongRunTest : public MainWindowTest {
 protected:
  LongRunTest() {
    SqliteDataSource::Instance().Reset("CREATE TABLE t (x INTEGER); INSERT INTO t VALUES (7);");
    MakeWorkbook(folder_.File("template.xlsx"), R"({"sheets": [{"name": "Sheet1", "cells": {"A1": "before"}}]})");
    folder_.Write("slow.sql",
                  std::string("@Wait=0\n") + kSleepingStatement + "\n@Fill=1;Sheet1;2;1\nSELECT x FROM t\n");
    RunIni ini;
    ini.log = LogPath();
    ini.template_file = folder_.File("template.xlsx");
    ini.report = folder_.File("report.xlsx");
    ini.dsn = SqliteDataSource::kName;
    ini.sql_files = "F_MAXNUM=1\nF1=" + folder_.File("slow.sql") + "\n";
    SetConfigBox(ini.Write(folder_, "slow.ini"));
  }
  bool Enabled(const char* action) const { return Find<QAction>(action)->isEnabled(); }
  // Calls act once the sleeping statement runs, with the window as it is then.
  void WhenTheStatementRuns(std::function<void()> act) {
    auto* poll = new QTimer(window_.get());
    QObject::connect(poll, &QTimer::timeout, [this, poll, act] {
      if (!std::filesystem::exists(LogPath()) || ReadFileBytes(LogPath()).find("[Wait]    WITH") == std::string::npos)
        return;
      poll->deleteLater();
      poll->stop();
      EXPECT_TRUE(Enabled("mnuRStop"));
      for (const char* idle : {"mnuRStart", "mnuFConfiguration", "mnuFOpenLog", "mnuHContent", "mnuHAbout"})
        EXPECT_FALSE(Enabled(idle)) << idle;
      EXPECT_FALSE(Find<QWidget>("frmMainClient")->isEnabled());
      EXPECT_FALSE(Find<QToolBar>("Toolbar1")->isEnabled());
      act();
    });
    poll->start(20);
  }
};

// Esc, the menu's Stop and closing the window (after a Yes; a No lets the
// run go on) end the run at once: the log says why, the report is still
// the template's copy, and the window is usable again, or closed.
TEST_F(LongRunTest, StopAndClosingCancelASleepingStatementSafely) {
  EXPECT_FALSE(Enabled("mnuRStop"));
  EXPECT_FALSE(Enabled("mnuFOpenLog")) << "no run yet";
  enum Way { kEscape, kMenu, kCloseNoThenEscape, kCloseYes };
  for (const Way way : {kEscape, kMenu, kCloseNoThenEscape, kCloseYes}) {
    SCOPED_TRACE(way);
    std::filesystem::remove(LogPath());
    ModalScript script;
    BoxSeen close_question;
    script.AnswerMessageBox(QMessageBox::Yes);  // Generate report?
    const auto press_escape = [this] {
      QApplication::setActiveWindow(window_.get());
      QTest::keyClick(window_.get(), Qt::Key_Escape);
    };
    WhenTheStatementRuns([&] {
      if (way == kEscape) return press_escape();
      if (way == kMenu) return Find<QAction>("mnuRStop")->trigger();
      script.AnswerMessageBox(way == kCloseYes ? QMessageBox::Yes : QMessageBox::No, &close_question);
      window_->close();
      if (way == kCloseNoThenEscape) QTimer::singleShot(300, window_.get(), press_escape);
    });
    QElapsedTimer took;
    took.start();
    window_->Start();
    EXPECT_LT(took.elapsed(), 15000);
    const std::vector<std::string> log = LogMessages(LogPath());
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Error: The run was interrupted.");
    EXPECT_EQ(log.back(), "Error Info: Stopped from the window.");
    EXPECT_TRUE(ReadFileBytes(folder_.File("report.xlsx")) == ReadFileBytes(folder_.File("template.xlsx")))
        << "the report is still the template's copy";
    EXPECT_EQ(Find("txtErrorCnt")->text(), "1");
    EXPECT_EQ(window_->isVisible(), way != kCloseYes);
    if (way >= kCloseNoThenEscape) {
      EXPECT_EQ(close_question.text, "A report is being generated. Stop it and close the window?");
    }
    EXPECT_TRUE(Find<QWidget>("frmMainClient")->isEnabled());
    EXPECT_TRUE(Enabled("mnuRStart"));
    EXPECT_FALSE(Enabled("mnuRStop"));
  }
  EXPECT_EQ(context_.wiring.FileSystem, nullptr) << "the closed window released the run's objects";
}

// Open Log and Open Report hand the last run's files to the desktop's
// opener once they exist; a failure shows in the error box.
TEST_F(LongRunTest, OpenLogAndOpenReportOfTheLastRun) {
  EXPECT_FALSE(Enabled("mnuFOpenLog"));
  EXPECT_FALSE(Enabled("mnuFOpenReport"));
  folder_.Write("slow.sql", "@Fill=1;Sheet1;2;1\nSELECT x FROM t\n");
  {
    ModalScript script;
    script.AnswerMessageBox(QMessageBox::Yes);
    window_->Start();
  }
  EXPECT_EQ(DumpWorkbook(folder_.File("report.xlsx")).Value("Sheet1!A2"), "7");
  Find<QAction>("mnuFOpenLog")->trigger();
  Find<QAction>("mnuFOpenReport")->trigger();
  ASSERT_EQ(opener_.requests.size(), 2u);
  EXPECT_EQ(opener_.requests[0].target, LogPath());
  EXPECT_EQ(opener_.requests[1].target, folder_.File("report.xlsx"));
  opener_.result = 2;
  ModalScript script;
  BoxSeen seen;
  script.AnswerMessageBox(QMessageBox::Ok, &seen);
  Find<QAction>("mnuFOpenLog")->trigger();
  EXPECT_EQ(seen.text, "Error!\nError Info: File not found");
  std::filesystem::remove(LogPath());
  Find<QMenu>("mnuFile")->aboutToShow();
  EXPECT_FALSE(Enabled("mnuFOpenLog")) << "a log removed since";
}

}  // namespace
}  // namespace tallyvane::test
