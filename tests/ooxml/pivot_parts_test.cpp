#include "ooxml/pivot_parts.h"

#include <gtest/gtest.h>

namespace tallyvane::ooxml {
namespace {

std::string CacheDefinition(const std::string& attributes, const std::string& source) {
  return "<pivotCacheDefinition xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"" + attributes +
         ">" + source + "</pivotCacheDefinition>";
}

// A cache whose source may hold written cells is refreshed by readers when
// the report is opened; any other cache stays as the template saved it.
TEST(RefreshPivotCacheOnLoad, MarksOnlyCachesWhoseSourceMayHaveBeenWritten) {
  const auto written = [](const std::string& sheet) { return sheet == "Data"; };
  const std::string on_data =
      "<cacheSource type=\"worksheet\"><worksheetSource ref=\"A1:C9\" sheet=\"Data\"/></cacheSource>";
  const std::string on_other =
      "<cacheSource type=\"worksheet\"><worksheetSource ref=\"A1:C9\" sheet=\"Other\"/></cacheSource>";
  const std::string by_name = "<cacheSource type=\"worksheet\"><worksheetSource name=\"Sales\"/></cacheSource>";
  const std::string external = "<cacheSource type=\"external\" connectionId=\"1\"/>";
  struct Case {
    const char* what;
    std::string attributes;
    std::string source;
    bool refreshed;
  } cases[] = {
      {"a range of a written sheet", "", on_data, true},
      {"a range of an untouched sheet", "", on_other, false},
      {"a defined name or table, which may cover written cells", "", by_name, true},
      {"external data", "", external, false},
      {"already refreshed on load", " refreshOnLoad=\"true\"", on_data, false},
      {"refresh switched off in the template", " refreshOnLoad=\"0\"", by_name, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string changed = RefreshPivotCacheOnLoad(CacheDefinition(c.attributes, c.source), written, "t.xlsx",
                                                        "xl/pivotCache/pivotCacheDefinition1.xml");
    if (!c.refreshed) {
      EXPECT_EQ(changed, "");
      continue;
    }
    EXPECT_NE(changed.find("refreshOnLoad=\"1\""), std::string::npos) << changed;
    EXPECT_EQ(changed.find("refreshOnLoad=\"0\""), std::string::npos) << changed;
  }
}

}  // namespace
}  // namespace tallyvane::ooxml
