// Fuzz target: opening an arbitrary package, touching a sheet and saving must
// either work or throw PlatformError; never crash, hang or leak.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "ooxml/ooxml_application.h"
#include "platform/platform_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const std::string path = "/tmp/tallyvane-fuzz-" + std::to_string(getpid()) + ".xlsx";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  try {
    auto app = tallyvane::CreateOoxmlSpreadsheetApp();
    auto wb = app->OpenWorkbook(path);
    auto ws = wb->WorksheetByIndex(1);
    ws->SetCellValue(2, 2, tallyvane::Value::MakeText("fuzz"));
    ws->InsertRows(2, 3);
    ws->InsertColumns(2, 1);
    wb->SetNameValue("Total", "x");
  } catch (const tallyvane::PlatformError&) {
  }
  unlink(path.c_str());
  return 0;
}
