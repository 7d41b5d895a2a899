// The Mandelbrot shader's arithmetic written out plainly, without any
// shortcut: the reference its results must equal bit for bit.
#pragma once

#include <cstdint>

namespace qztest {

struct Rectangle {
  float left, right, top, bottom;
};

// The result for texture coordinates (u, v), from the rectangle check on:
// 0 for an empty rectangle or a point still inside after the budget,
// otherwise n / iterations in single precision.
inline float plainMandelbrot(const Rectangle &view, int32_t iterations, float u, float v) {
  if (view.left >= view.right || view.bottom >= view.top)
    return 0.0f;
  const float width = view.right - view.left;
  const float height = view.top - view.bottom;
  const double cr = static_cast<double>(u) * static_cast<double>(width) + static_cast<double>(view.left);
  const double ci = static_cast<double>(v) * static_cast<double>(height) + static_cast<double>(view.bottom);
  double x = 0.0;
  double y = 0.0;
  for (int32_t n = 1; n < iterations; ++n) {
    if (y * y + x * x > 16.0)
      return static_cast<float>(n) / static_cast<float>(iterations);
    const double nextX = (x * x - y * y) + cr;
    const double nextY = (x * 2.0) * y + ci;
    x = nextX;
    y = nextY;
  }
  return 0.0f;
}

} // namespace qztest
