// An allocator for image buffers. A 2048 x 2048 RGBA float image is 64 MiB:
// in 4 KiB pages, filling it takes some sixteen thousand page faults, which
// cost more than the pixels of a quick preview. Buffers of 2 MiB and more
// are therefore allocated in whole 2 MiB-aligned blocks that the kernel is
// asked to back with huge pages; smaller ones come from operator new.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <limits>
#include <new>

namespace qzrender {

inline constexpr size_t kLargePage = size_t{2} << 20;

template <typename T> struct LargePageAllocator {
  using value_type = T;

  LargePageAllocator() = default;
  template <typename U> LargePageAllocator(const LargePageAllocator<U> &) noexcept {}

  T *allocate(size_t count) {
    if (count > std::numeric_limits<size_t>::max() / sizeof(T) - kLargePage)
      throw std::bad_array_new_length();
    const size_t bytes = count * sizeof(T);
    if (bytes < kLargePage)
      return static_cast<T *>(::operator new(bytes));
    const size_t whole = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void *memory = std::aligned_alloc(kLargePage, whole);
    if (memory == nullptr)
      throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(memory, whole, MADV_HUGEPAGE); // advice: without huge pages it is an ordinary buffer
#endif
    return static_cast<T *>(memory);
  }

  // Takes the same branch as allocate: the count decides which.
  void deallocate(T *memory, size_t count) noexcept {
    if (count * sizeof(T) < kLargePage)
      ::operator delete(memory);
    else
      std::free(memory);
  }

  template <typename U> bool operator==(const LargePageAllocator<U> &) const noexcept { return true; }
};

} // namespace qzrender
