// An allocator for large tables that are filled and read at random places (the BIC
// directory's hash table). On Linux a block of 2 MiB or more is aligned to 2 MiB and offered to
// the kernel for huge pages: a table of some MiB is then faulted in a few times instead of once
// per 4 KiB page, which on a directory of 100,000 entries is most of the time its loading takes.
// Elsewhere, and for smaller blocks, it is the plain allocator.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace bigalloc {

constexpr std::size_t kHuge = std::size_t{2} << 20;

inline void* take(std::size_t bytes) {
#if defined(__linux__)
  if (bytes >= kHuge) {
    const std::size_t size = (bytes + kHuge - 1) / kHuge * kHuge;
    void* p = std::aligned_alloc(kHuge, size);
    if (!p) throw std::bad_alloc();
    madvise(p, size, MADV_HUGEPAGE);  // advice only: without huge pages it is a plain block
    return p;
  }
#endif
  return ::operator new(bytes);
}

inline void give(void* p, std::size_t bytes) {
#if defined(__linux__)
  if (bytes >= kHuge) {
    std::free(p);
    return;
  }
#endif
  static_cast<void>(bytes);
  ::operator delete(p);
}

}  // namespace bigalloc

template <class T>
struct BigAlloc {
  using value_type = T;
  BigAlloc() = default;
  template <class U>
  BigAlloc(const BigAlloc<U>&) {}  // NOLINT: converting, as allocators are
  T* allocate(std::size_t n) { return static_cast<T*>(bigalloc::take(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) { bigalloc::give(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const BigAlloc<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const BigAlloc<U>&) const {
    return false;
  }
};
