#include "value/list_allocator.h"

#include <sys/mman.h>

#include <cstdlib>

#include "text/out_of_memory.h"

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

void* allocate_list_storage(size_t bytes) {
  if (bytes < kHugePage) {
    void* p = std::malloc(bytes);
    if (!p) out_of_memory();
    return p;
  }
  size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, rounded);
  if (!p) out_of_memory();
  madvise(p, rounded, MADV_HUGEPAGE);  // a hint: failure changes nothing
  return p;
}

void free_list_storage(void* p, size_t) { std::free(p); }
