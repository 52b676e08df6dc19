#include "platform/text_code_page.h"

#include <gtest/gtest.h>

#include "platform/platform_error.h"

namespace tallyvane {
namespace {

TEST(TextDecoder, ConvertsBothWaysInTheNamedCodePage) {
  struct Case {
    const char* code_page;
    std::string bytes;  // "é" and "€" as that code page writes them
    const char* name;
  } cases[] = {
      {"", "\xC3\xA9\xE2\x82\xAC", "UTF-8"},
      // glibc knows no CP65001: the Windows number of UTF-8 is mapped by us.
      {"65001", "\xC3\xA9\xE2\x82\xAC", "UTF-8"},
      {"1252", "\xE9\x80", "CP1252"},
      {"windows-1252", "\xE9\x80", "windows-1252"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code_page);
    TextDecoder decoder(c.code_page);
    EXPECT_EQ(decoder.Name(), c.name);
    std::string text;
    ASSERT_TRUE(decoder.Decode(c.bytes, &text));
    EXPECT_EQ(text, "\xC3\xA9\xE2\x82\xAC");
    std::string bytes;
    ASSERT_TRUE(decoder.Encode(text, &bytes));
    EXPECT_EQ(bytes, c.bytes);
  }
}

TEST(TextDecoder, RefusesWhatItCannotConvert) {
  std::string out;
  EXPECT_FALSE(TextDecoder("").Decode("ok \xC3", &out)) << "a sequence cut at the end";
  EXPECT_FALSE(TextDecoder("").Decode("\xFF", &out));
  EXPECT_FALSE(TextDecoder("1252").Encode("\xE4\xB8\xAD", &out)) << "no such letter in the code page";
  EXPECT_FALSE(TextDecoder("windows-1252").Decode("\x81", &out)) << "an unassigned byte";

  for (const char* code_page : {"no-such-code-page", "UTF-8//IGNORE"}) {
    try {
      TextDecoder decoder(code_page);
      ADD_FAILURE() << code_page << " accepted";
    } catch (const PlatformError& error) {
      EXPECT_EQ(std::string(error.what()), std::string("the code page \"") + code_page + "\" is not known");
    }
  }
  EXPECT_THROW(TextDecoder("UTF-16LE"), PlatformError) << "ASCII would not read as ASCII";
}

TEST(ByteOrderMarkOf, TellsUtf8FromUtf16) {
  EXPECT_EQ(ByteOrderMarkOf("\xEF\xBB\xBF[FILE]"), ByteOrderMark::Utf8);
  EXPECT_EQ(ByteOrderMarkOf("\xFF\xFE[\0"), ByteOrderMark::Utf16);
  EXPECT_EQ(ByteOrderMarkOf("\xFE\xFF\0["), ByteOrderMark::Utf16);
  EXPECT_EQ(ByteOrderMarkOf("\xEF\xBB"), ByteOrderMark::None);
  EXPECT_EQ(ByteOrderMarkOf("[FILE]"), ByteOrderMark::None);
}

}  // namespace
}  // namespace tallyvane
