#include "app/heap_setup.h"

// Also what defines __GLIBC__.
#include <cstdlib>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <initializer_list>
#include <memory>

namespace {

// Address space the heap takes in its first step. A large run's tree and
// what the scan keeps of every header fit in it; past it the heap grows in
// ordinary steps. Reserved pages cost no memory until they are touched.
constexpr int kReservedBytes = 512 << 20;
// The C library's own default for M_TOP_PAD.
constexpr int kDefaultTopPad = 128 << 10;
constexpr std::size_t kHugePageBytes = 2 << 20;

}  // namespace

// A page fault costs microseconds, more so on virtual machines: on the ones
// measured, a run touching 70 MB in 4 KB pages spent nearly as long in page
// faults as in reading its input. The heap's usual growth, 132 KB at a time
// and a separate heap per thread, leaves no aligned 2 MB range that the
// kernel could back by a huge page, so the heap is reserved in one piece
// and marked for huge pages instead.
void prepareHeapForRun() {
  // Under a limit on address space or data size, the reservation would
  // take room that thread stacks and mappings need.
  for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur != RLIM_INFINITY) return;
  }
  // One heap for every thread, so that the reader threads allocate from the
  // reserved range too.
  mallopt(M_ARENA_MAX, 1);
  // Blocks up to 32 MB (read buffers, hash tables) come from the heap rather
  // than from mappings of their own.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  // Freed memory stays for the next allocation instead of going back.
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
  mallopt(M_TOP_PAD, kReservedBytes);
  char* const start = static_cast<char*>(sbrk(0));
  // Volatile, since an allocation freed unused may be dropped by the
  // compiler.
  void* volatile probe = std::malloc(1 << 20);
  std::free(probe);
  char* const end = static_cast<char*>(sbrk(0));
  // Where the system refused the reservation (strict overcommit), every
  // later growth would ask for as much and fail too.
  mallopt(M_TOP_PAD, kDefaultTopPad);
  if (end <= start) return;
  // Only whole, aligned 2 MB ranges can be huge pages.
  void* first = start;
  std::size_t size = static_cast<std::size_t>(end - start);
  if (std::align(kHugePageBytes, kHugePageBytes, first, size) == nullptr) return;
  // Without huge pages (disabled, or another kernel) this fails and the
  // heap simply keeps small pages.
  madvise(first, size, MADV_HUGEPAGE);
}

#else

void prepareHeapForRun() {}

#endif
