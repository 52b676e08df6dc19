#include "app/huge_page_heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace tallyvane {
namespace {

constexpr int kHeapReserve = 1 << 30;  // address space only, until touched
constexpr std::size_t kProbeBytes = 1 << 20;

}  // namespace

void PreferHugePagesForTheHeap() {
  // Keep large blocks on the heap too, and grow it in one reservation, so
  // that one advice covers what the run will use.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, kHeapReserve);
  mallopt(M_TOP_PAD, kHeapReserve);
  void* probe = std::malloc(kProbeBytes);
  if (probe == nullptr) return;
  const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(probe) & ~(page - 1);
  const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(sbrk(0));
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  std::free(probe);
}

}  // namespace tallyvane
