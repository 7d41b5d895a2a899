// qzplain_render: the full-view render that the preview renderer is compared
// with, written plainly in one file: no host, no plug-ins, no parameter
// reads, no shortcut inside the set. Per pixel it runs the same arithmetic
// as qzFractalMandelbrot feeding qzFractalColorizerArea5 with its default
// ramp into a float buffer, as qzrender does, and writes the picture as a
// Portable Float Map (RGB, alpha dropped). With --no-ramp it is the plain
// loop alone and writes the escape values as a grey PFM.
//
//   qzplain_render [--no-ramp] WIDTH HEIGHT ITERATIONS THREADS OUTPUT.pfm
//
// Pixel (x, y), row 0 at the top, samples u = (x + 0.5) / WIDTH and
// v = 1 - (y + 0.5) / HEIGHT. THREADS threads take rows one at a time from a
// shared counter, as qzrender's do. Like qzrender, it ends with a line on
// standard output that gives the seconds the pixels took (output excluded).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

} // namespace

int main(int argc, char **argv) {
  const bool withRamp = !(argc > 1 && std::strcmp(argv[1], "--no-ramp") == 0);
  char **arguments = withRamp ? argv + 1 : argv + 2;
  if (argc - (arguments - argv) != 5) {
    std::fprintf(stderr, "usage: %s [--no-ramp] WIDTH HEIGHT ITERATIONS THREADS OUTPUT.pfm\n", argv[0]);
    return 2;
  }
  const int width = std::atoi(arguments[0]);
  const int height = std::atoi(arguments[1]);
  const int32_t iterations = std::atoi(arguments[2]);
  const int threads = std::atoi(arguments[3]);
  const char *output = arguments[4];
  if (width <= 0 || height <= 0 || width > 65536 || height > 65536 || iterations < 11 || iterations > 9999 ||
      threads <= 0 || threads > 1024) {
    std::fprintf(stderr, "%s: sizes 1..65536, iterations 11..9999, threads 1..1024\n", argv[0]);
    return 2;
  }

  const size_t channels = withRamp ? 3 : 1;
  const size_t rowFloats = static_cast<size_t>(width) * channels;
  std::vector<float> pixels(rowFloats * static_cast<size_t>(height));
  std::atomic<int> nextRow{0};
  auto renderRows = [&] {
    for (int y = nextRow++; y < height; y = nextRow++) {
      float *out = pixels.data() + static_cast<size_t>(y) * rowFloats;
      const float v = 1.0f - (static_cast<float>(y) + 0.5f) / static_cast<float>(height);
      for (int x = 0; x < width; ++x) {
        const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(width);
        const float value = escapeValue(u, v, iterations);
        if (!withRamp) {
          *out++ = value;
          continue;
        }
        const Color color = ramp(value);
        *out++ = color.r;
        *out++ = color.g;
        *out++ = color.b;
      }
    }
  };
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> pool;
  for (int thread = 1; thread < threads; ++thread)
    pool.emplace_back(renderRows);
  renderRows();
  for (std::thread &thread : pool)
    thread.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // PFM: rows from the bottom up; a negative scale means little-endian.
  std::FILE *file = std::fopen(output, "wb");
  if (file == nullptr) {
    std::perror(output);
    return 1;
  }
  std::fprintf(file, "%s\n%d %d\n-1.0\n", withRamp ? "PF" : "Pf", width, height);
  bool written = true;
  for (int y = height - 1; y >= 0 && written; --y)
    written =
        std::fwrite(pixels.data() + static_cast<size_t>(y) * rowFloats, sizeof(float), rowFloats, file) == rowFloats;
  if (std::fclose(file) != 0 || !written) {
    std::perror(output);
    return 1;
  }
  const double samples = static_cast<double>(width) * static_cast<double>(height);
  std::printf("qzplain_render: %s %dx%d, %d threads, %.3f s, %.0f samples/s\n", output, width, height, threads, seconds,
              samples / seconds);
  return 0;
}
