// list_allocator: the allocator of value_list's storage. Blocks of 2 MiB and
// more (the lists of a large listing) are aligned to 2 MiB and offered to the
// kernel's transparent huge pages, so filling a table of hundreds of
// thousands of entries takes a few hundred page faults instead of tens of
// thousands. Smaller blocks come from the usual heap.
#ifndef DIRGEN_VALUE_LIST_ALLOCATOR_H_
#define DIRGEN_VALUE_LIST_ALLOCATOR_H_

#include <cstddef>

// Huge-page-friendly raw storage; size 0 is never asked for. Never returns
// null: running out of memory ends the program (text/out_of_memory.h).
void* allocate_list_storage(size_t bytes);
void free_list_storage(void* p, size_t bytes);

template <typename T>
struct list_allocator {
  using value_type = T;
  list_allocator() = default;
  template <typename U>
  list_allocator(const list_allocator<U>&) {}

  T* allocate(size_t n) {
    return static_cast<T*>(allocate_list_storage(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) { free_list_storage(p, n * sizeof(T)); }

  template <typename U>
  bool operator==(const list_allocator<U>&) const {
    return true;
  }
};

#endif  // DIRGEN_VALUE_LIST_ALLOCATOR_H_
