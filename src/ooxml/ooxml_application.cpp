#include "ooxml/ooxml_application.h"

#include <vector>

#include "ooxml/engine_guard.h"
#include "ooxml/ooxml_workbook.h"
#include "ooxml/workbook_document.h"

namespace tallyvane {
namespace {

// The engine's application: opens workbooks and, on Quit, closes every
// workbook it opened that is still open.
class OoxmlApplication : public SpreadsheetApp {
 public:
  std::unique_ptr<Workbook> OpenWorkbook(const std::string& path) override { return OpenCopy(path, path); }

  std::unique_ptr<Workbook> OpenCopy(const std::string& path, const std::string& original) override {
    return ooxml::Guarded("open \"" + original + "\"", [&]() -> std::unique_ptr<Workbook> {
      if (quit_) throw PlatformError("cannot open \"" + path + "\": the application has quit");
      auto document = std::make_shared<ooxml::WorkbookDocument>(path, original);
      documents_.push_back(document);
      return std::make_unique<ooxml::OoxmlWorkbook>(document);
    });
  }

  void Quit() override {
    for (auto& weak : documents_) {
      if (auto document = weak.lock()) document->Close();
    }
    documents_.clear();
    quit_ = true;
  }

 private:
  std::vector<std::weak_ptr<ooxml::WorkbookDocument>> documents_;
  bool quit_ = false;
};

}  // namespace

std::unique_ptr<SpreadsheetApp> CreateOoxmlSpreadsheetApp() { return std::make_unique<OoxmlApplication>(); }

}  // namespace tallyvane
