// Image buffers: large ones start on a huge-page boundary; every size, as a
// vector grows across the threshold, is given back the way it was taken
// (a mismatch would corrupt the heap, which the sanitizer builds report).
#include <gtest/gtest.h>

#include <cstdint>

#include "render_settings.h"

namespace {

TEST(LargePageAllocator, LargeBuffersAreAlignedAndEveryBufferIsReturnedAsTaken) {
  qzrender::PixelBuffer large(size_t{3} << 20, 1.0f); // 12 MiB
  EXPECT_EQ(reinterpret_cast<uintptr_t>(large.data()) % (size_t{2} << 20), 0u);
  EXPECT_EQ(large.back(), 1.0f);

  qzrender::PixelBuffer growing;
  for (size_t i = 0; i < (size_t{1} << 20); ++i) // 4 KiB to 4 MiB, a few copies on the way
    growing.push_back(static_cast<float>(i));
  EXPECT_EQ(growing[123456], 123456.0f);
  growing.shrink_to_fit();
  qzrender::PixelBuffer small(16, 2.0f);
  EXPECT_EQ(small.size(), 16u);
}

} // namespace
