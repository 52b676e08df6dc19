#pragma once
// The zip package of a workbook: reads parts with limits against hostile
// archives, keeps unchanged parts as their original compressed bytes, and
// writes the package atomically.
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tallyvane::ooxml {

// Limits that keep a hostile package from exhausting memory.
struct PackageLimits {
  size_t max_parts = 10000;
  unsigned long long max_part_size = 1ull << 30;   // one inflated part
  unsigned long long max_total_read = 3ull << 30;  // all inflated parts read
  unsigned long long max_file_size = 2ull << 30;   // the package file itself
};

// Produces a large part piece by piece while the package is written, so
// that it never sits in memory whole.
class PartStream {
 public:
  virtual ~PartStream() = default;
  // Starts over from the first piece.
  virtual void Restart() = 0;
  // Appends the next piece to out; false once the part is complete.
  virtual bool Next(std::string& out) = 0;
  // An upper bound of the part's size without producing it, or -1.
  virtual long long SizeBound() { return -1; }
  // Ends any work still under way; called once the package is written.
  virtual void Stop() {}
};

class Package {
 public:
  // Throws PlatformError "cannot open "<path>": <reason>". What is wrong
  // inside the package is told of shown instead when given: the file the
  // operator can fix when path is a fresh copy of it.
  static std::unique_ptr<Package> Open(const std::string& path, const PackageLimits& limits = {},
                                       const std::string& shown = "");
  ~Package();
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  const std::string& Path() const { return path_; }
  bool Has(const std::string& part) const;
  // The current bytes of a part: changed ones from memory, others inflated.
  std::string Read(const std::string& part);
  void Write(const std::string& part, std::string bytes);
  void WriteStream(const std::string& part, std::shared_ptr<PartStream> stream);
  void Remove(const std::string& part);
  std::vector<std::string> PartNames() const;

  // Writes the package to path atomically: a temporary file in the same
  // folder, flushed to disk, then renamed over path.
  void SaveTo(const std::string& path, int deflate_level);

 private:
  Package() = default;
  [[noreturn]] void Fail(const std::string& reason) const;
  // Adds every part to the archive being written (a zip_t*); returns what
  // went wrong, or nothing.
  std::string AddParts(void* out, int deflate_level);

  std::string path_;
  std::string shown_;  // the file named in messages about the content
  PackageLimits limits_;
  std::string file_bytes_;                  // the archive as opened; parts are read from it
  void* archive_ = nullptr;                 // zip_t*
  std::vector<std::string> names_;          // in archive order, then new parts
  std::map<std::string, long long> index_;  // part -> archive index (-1 new)
  struct Change {
    std::string bytes;
    std::shared_ptr<PartStream> stream;  // when set, the bytes come from here
  };
  void Register(const std::string& part);
  std::map<std::string, Change> changed_;
  unsigned long long total_read_ = 0;
};

}  // namespace tallyvane::ooxml
