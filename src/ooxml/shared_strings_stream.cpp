#include "ooxml/shared_strings_stream.h"

namespace tallyvane::ooxml {
namespace {

// A filled report's texts are held once, in the table: their XML is made
// a piece at a time instead of as a second copy of all of them.
class SharedStringsStream : public PartStream {
 public:
  explicit SharedStringsStream(std::shared_ptr<const SharedStrings> strings) : strings_(std::move(strings)) {}

  void Restart() override { cursor_ = SharedStrings::Cursor(); }
  bool Next(std::string& out) override { return strings_->SerializePiece(&cursor_, out); }
  long long SizeBound() override {
    // A bound past 4 GiB would make the entry ZIP64: measure instead.
    const long long bound = strings_->SizeBound();
    return bound < 0xFFFFFFFFll ? bound : -1;
  }

 private:
  std::shared_ptr<const SharedStrings> strings_;
  SharedStrings::Cursor cursor_;
};

}  // namespace

std::shared_ptr<PartStream> MakeSharedStringsStream(std::shared_ptr<const SharedStrings> strings) {
  return std::make_shared<SharedStringsStream>(std::move(strings));
}

}  // namespace tallyvane::ooxml
