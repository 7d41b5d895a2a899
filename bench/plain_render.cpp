// qzplain_render: the full-view render that the preview renderer is compared
// with, written plainly in one file: no host, no plug-ins, no parameter
// reads, no shortcut inside the set. Per pixel it runs the same arithmetic
// as qzFractalMandelbrot feeding qzFractalColorizerArea5 with its default
// ramp, and writes the picture as a binary PPM (8-bit sRGB, colours taken
// as linear, alpha dropped).
//
//   qzplain_render WIDTH HEIGHT ITERATIONS THREADS OUTPUT.ppm
//
// Pixel (x, y), row 0 at the top, samples u = (x + 0.5) / WIDTH and
// v = 1 - (y + 0.5) / HEIGHT. THREADS threads take rows one at a time from a
// shared counter.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

struct Color {
  float r, g, b, a;
};

// The full view and the five-band ramp's default limits and colours.
constexpr float kLeft = -2.0f, kRight = 1.0f, kTop = 1.5f, kBottom = -1.5f;
constexpr float kLimits[5] = {0.02f, 0.05f, 0.1f, 0.2f, 1.0f};
constexpr Color kColors[6] = {{0.0f, 0.0f, 0.0f, 1.0f},   {0.0f, 0.03f, 0.2f, 1.0f}, {0.1f, 0.35f, 0.75f, 1.0f},
                              {0.55f, 0.85f, 1.0f, 1.0f}, {1.0f, 0.9f, 0.55f, 1.0f}, {1.0f, 0.45f, 0.0f, 1.0f}};

float escapeValue(float u, float v, int32_t iterations) {
  const float width = kRight - kLeft;
  const float height = kTop - kBottom;
  const double cr = static_cast<double>(u) * static_cast<double>(width) + static_cast<double>(kLeft);
  const double ci = static_cast<double>(v) * static_cast<double>(height) + static_cast<double>(kBottom);
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

float lerp(float lower, float upper, float t) { return (upper - lower) * t + lower; }

Color ramp(float value) {
  if (static_cast<double>(value) < 0.0 || static_cast<double>(value) > 1.0)
    return Color{0.0f, 0.0f, 0.0f, 0.0f};
  if (value == 0.0f)
    return kColors[0];
  float lowerBound = 0.0f;
  for (int band = 0; band < 5; ++band) {
    if (kLimits[band] >= value) {
      const float t = (value - lowerBound) / (kLimits[band] - lowerBound);
      const Color &lower = kColors[band];
      const Color &upper = kColors[band + 1];
      return Color{lerp(lower.r, upper.r, t), lerp(lower.g, upper.g, t), lerp(lower.b, upper.b, t),
                   lerp(lower.a, upper.a, t)};
    }
    lowerBound = kLimits[band];
  }
  return Color{0.0f, 0.0f, 0.0f, 0.0f};
}

uint8_t toSrgb8(float linear) {
  const float clamped = linear < 0.0f ? 0.0f : (linear > 1.0f ? 1.0f : linear);
  const float encoded = clamped <= 0.0031308f ? 12.92f * clamped : 1.055f * std::pow(clamped, 1.0f / 2.4f) - 0.055f;
  return static_cast<uint8_t>(encoded * 255.0f + 0.5f);
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s WIDTH HEIGHT ITERATIONS THREADS OUTPUT.ppm\n", argv[0]);
    return 2;
  }
  const int width = std::atoi(argv[1]);
  const int height = std::atoi(argv[2]);
  const int32_t iterations = std::atoi(argv[3]);
  const int threads = std::atoi(argv[4]);
  if (width <= 0 || height <= 0 || width > 65536 || height > 65536 || iterations < 11 || iterations > 9999 ||
      threads <= 0 || threads > 1024) {
    std::fprintf(stderr, "%s: sizes 1..65536, iterations 11..9999, threads 1..1024\n", argv[0]);
    return 2;
  }

  std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  std::atomic<int> nextRow{0};
  auto renderRows = [&] {
    for (int y = nextRow++; y < height; y = nextRow++) {
      uint8_t *out = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
      const float v = 1.0f - (static_cast<float>(y) + 0.5f) / static_cast<float>(height);
      for (int x = 0; x < width; ++x) {
        const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(width);
        const Color color = ramp(escapeValue(u, v, iterations));
        *out++ = toSrgb8(color.r);
        *out++ = toSrgb8(color.g);
        *out++ = toSrgb8(color.b);
      }
    }
  };
  std::vector<std::thread> pool;
  for (int thread = 1; thread < threads; ++thread)
    pool.emplace_back(renderRows);
  renderRows();
  for (std::thread &thread : pool)
    thread.join();

  std::FILE *file = std::fopen(argv[5], "wb");
  if (file == nullptr) {
    std::perror(argv[5]);
    return 1;
  }
  std::fprintf(file, "P6\n%d %d\n255\n", width, height);
  const bool written = std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
  if (std::fclose(file) != 0 || !written) {
    std::perror(argv[5]);
    return 1;
  }
  return 0;
}
