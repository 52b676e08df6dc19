#include "ooxml/compound_file.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tallyvane::ooxml {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr size_t kHeaderSize = 512;
constexpr size_t kHeaderFatEntries = 109;
constexpr size_t kDirectoryEntrySize = 128;

class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}

  bool U32(size_t at, std::uint32_t* v) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + at);
    *v = static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<std::uint32_t>(p[3]) << 24);
    return true;
  }
  std::uint16_t U16(size_t at) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + at);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  }
  // Where sector n starts; false when it lies outside the file.
  bool Sector(std::uint32_t n, size_t sector_size, size_t* at) const {
    const unsigned long long start = (static_cast<unsigned long long>(n) + 1) * sector_size;
    if (start + sector_size > bytes_.size()) return false;
    *at = static_cast<size_t>(start);
    return true;
  }
  const std::string& bytes_;
};

// The sectors that hold the allocation table: the first 109 listed in the
// header, the rest in a chain of further sectors.
std::vector<std::uint32_t> FatSectors(const Reader& r, size_t sector_size, size_t max_sectors) {
  std::vector<std::uint32_t> sectors;
  std::uint32_t fat_count = 0, next = 0, difat_count = 0;
  if (!r.U32(0x2C, &fat_count) || !r.U32(0x44, &next) || !r.U32(0x48, &difat_count)) return sectors;
  for (size_t i = 0; i < kHeaderFatEntries && sectors.size() < fat_count; ++i) {
    std::uint32_t s = 0;
    r.U32(0x4C + 4 * i, &s);
    sectors.push_back(s);
  }
  const size_t per_sector = sector_size / 4 - 1;
  for (size_t hops = 0; next < kEndOfChain && hops < difat_count && hops < max_sectors; ++hops) {
    size_t at = 0;
    if (!r.Sector(next, sector_size, &at)) break;
    for (size_t i = 0; i < per_sector && sectors.size() < fat_count; ++i) {
      std::uint32_t s = 0;
      r.U32(at + 4 * i, &s);
      sectors.push_back(s);
    }
    r.U32(at + 4 * per_sector, &next);
  }
  return sectors;
}

bool SameName(const Reader& r, size_t entry, const std::string& name) {
  const size_t length = r.U16(entry + 0x40);  // in bytes, with the closing NUL
  if (length != (name.size() + 1) * 2) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const std::uint16_t c = r.U16(entry + 2 * i);
    if (c > 0x7F || std::tolower(c) != std::tolower(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

}  // namespace

bool CompoundFileHasEntry(const std::string& bytes, const std::string& name) {
  static const char kMagic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, 8) != 0 || name.size() > 31) return false;
  Reader r(bytes);
  const std::uint16_t shift = r.U16(0x1E);
  if (shift != 9 && shift != 12) return false;
  const size_t sector_size = size_t{1} << shift;
  const size_t max_sectors = bytes.size() / sector_size;
  const std::vector<std::uint32_t> fat = FatSectors(r, sector_size, max_sectors);
  const size_t per_fat_sector = sector_size / 4;
  std::uint32_t sector = 0;
  if (!r.U32(0x30, &sector)) return false;
  // A chain longer than the file has sectors loops.
  for (size_t hops = 0; sector < kEndOfChain && hops <= max_sectors; ++hops) {
    size_t at = 0;
    if (!r.Sector(sector, sector_size, &at)) return false;
    for (size_t e = 0; e + kDirectoryEntrySize <= sector_size; e += kDirectoryEntrySize) {
      const unsigned char type = static_cast<unsigned char>(bytes[at + e + 0x42]);
      if ((type == 1 || type == 2) && SameName(r, at + e, name)) return true;
    }
    const size_t index = sector / per_fat_sector;
    size_t fat_at = 0;
    if (index >= fat.size() || !r.Sector(fat[index], sector_size, &fat_at)) return false;
    if (!r.U32(fat_at + 4 * (sector % per_fat_sector), &sector)) return false;
  }
  return false;
}

}  // namespace tallyvane::ooxml
