// What to render: the full frame, the crop of it that is computed, and how.
#pragma once

#include <cstdint>
#include <vector>

#include "large_page_allocator.h"

namespace qzrender {

// Pixels, inclusive, top-left origin.
struct Region {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int width() const { return x1 - x0 + 1; }
  int height() const { return y1 - y0 + 1; }
  bool operator==(const Region &) const = default;
};

struct RenderSettings {
  int width = 512, height = 512; // the full frame
  Region region{0, 0, 511, 511}; // the part computed
  int samples = 1;               // N: N x N samples per pixel
  int threads = 1;
};

// Image memory: large buffers in huge pages (large_page_allocator.h).
using PixelBuffer = std::vector<float, LargePageAllocator<float>>;

// The computed region's pixels, row 0 at the top, channels interleaved.
struct Image {
  int width = 0, height = 0, channels = 1;
  PixelBuffer pixels;
};

} // namespace qzrender
