// Fuzz target: opening an arbitrary package, touching a sheet and saving must
// either work or throw PlatformError; never crash, hang or leak.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/platform_error.h"
#include "ooxml/ooxml_application.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  char path[] = "/tmp/tallyvane-fuzz-XXXXXX.xlsx";
  int fd = mkstemps(path, 5);
  if (fd < 0) return 0;
  if (write(fd, data, size) != static_cast<ssize_t>(size)) {
    close(fd);
    unlink(path);
    return 0;
  }
  close(fd);
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
  unlink(path);
  return 0;
}
