#include "platform/text_code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "platform/platform_error.h"

namespace tallyvane {
namespace {

const char* const kHowToName =
    " If it was saved in another code page, name that code page in the configuration file, "
    "section [FILE], for example CodePage=windows-1252.";

std::string IconvName(const std::string& code_page) {
  if (code_page.empty() || code_page == "65001") return "UTF-8";
  if (std::all_of(code_page.begin(), code_page.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return "CP" + code_page;
  }
  return code_page;
}

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

// The whole of in through one converter; false on any byte sequence it
// cannot convert, an incomplete one at the end included.
bool Convert(iconv_t converter, const std::string& in, std::string* out) {
  out->clear();
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  char* input = const_cast<char*>(in.data());
  size_t input_left = in.size();
  char buffer[4096];
  bool flushed = false;
  while (!flushed) {
    char* output = buffer;
    size_t output_left = sizeof buffer;
    // Once the input is used up, the converter writes what a stateful
    // code page needs to return to its initial shift state.
    flushed = input_left == 0;
    size_t result = flushed ? iconv(converter, nullptr, nullptr, &output, &output_left)
                            : iconv(converter, &input, &input_left, &output, &output_left);
    out->append(buffer, static_cast<size_t>(output - buffer));
    if (result == static_cast<size_t>(-1) && errno != E2BIG) return false;
    if (result == static_cast<size_t>(-1)) flushed = false;
  }
  return true;
}

}  // namespace

ByteOrderMark ByteOrderMarkOf(const std::string& first_bytes) {
  if (first_bytes.compare(0, kUtf8MarkLength, "\xEF\xBB\xBF") == 0) return ByteOrderMark::Utf8;
  if (first_bytes.compare(0, 2, "\xFF\xFE") == 0 || first_bytes.compare(0, 2, "\xFE\xFF") == 0) {
    return ByteOrderMark::Utf16;
  }
  return ByteOrderMark::None;
}

struct TextDecoder::Converters {
  iconv_t to_utf8 = reinterpret_cast<iconv_t>(-1);
  iconv_t from_utf8 = reinterpret_cast<iconv_t>(-1);
  ~Converters() {
    if (to_utf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(to_utf8);
    if (from_utf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(from_utf8);
  }
};

TextDecoder::TextDecoder(const std::string& code_page)
    : name_(IconvName(code_page)), converters_(std::make_unique<Converters>()) {
  // A suffix such as //IGNORE would drop what cannot be converted.
  if (name_.find('/') == std::string::npos) {
    converters_->to_utf8 = iconv_open("UTF-8", name_.c_str());
    converters_->from_utf8 = iconv_open(name_.c_str(), "UTF-8");
  }
  std::string ascii;
  if (converters_->to_utf8 == reinterpret_cast<iconv_t>(-1) ||
      converters_->from_utf8 == reinterpret_cast<iconv_t>(-1)) {
    throw PlatformError("the code page \"" + code_page + "\" is not known");
  }
  if (!Convert(converters_->from_utf8, "[A]=;\r\n", &ascii) || ascii != "[A]=;\r\n") {
    throw PlatformError("the code page \"" + code_page + "\" is not one that text files can be read in");
  }
}

TextDecoder::~TextDecoder() = default;

bool TextDecoder::Decode(const std::string& bytes, std::string* utf8) const {
  if (IsAscii(bytes)) {
    *utf8 = bytes;
    return true;
  }
  return Convert(converters_->to_utf8, bytes, utf8);
}

bool TextDecoder::Encode(const std::string& utf8, std::string* bytes) const {
  if (IsAscii(utf8)) {
    *bytes = utf8;
    return true;
  }
  return Convert(converters_->from_utf8, utf8, bytes);
}

std::string NotValidTextMessage(const std::string& file, long line, const std::string& code_page) {
  return file + " is not valid " + code_page + " text at line " + std::to_string(line) + "." + kHowToName;
}

std::string Utf16TextMessage(const std::string& file) {
  return file + " is saved as UTF-16 text, which is not read. Save it as UTF-8." + kHowToName;
}

}  // namespace tallyvane
