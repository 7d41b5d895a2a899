// One sample of each shader on its typical paths, through the plug-ins as
// built and loaded at run time, all parameters holding their own values
// unless the name says "connected". The Mandelbrot's samples also run
// through the plain loop (no shortcut, no frame) for comparison.
#include <benchmark/benchmark.h>

#include <limits>

#include "bench_records.h"
#include "plain_mandelbrot.h"

namespace {

struct MandelbrotPoint {
  const char *path;
  float cr, ci;
};
// Escape steps at a budget of 1000: 4, 14, 317; the others never escape.
const MandelbrotPoint kMandelbrotPoints[] = {
    {"outside, escapes at step 4", 1.0f, 0.0f},
    {"outside, escapes at step 14", 0.3f, 0.0f},
    {"outside, near the boundary, escapes at step 317", -0.75f, 0.01f},
    {"inside, main cardioid", -0.2f, 0.2f},
    {"inside, main cardioid near its edge", -0.1f, 0.64f},
    {"inside, period-2 bulb", -1.1f, 0.1f},
    {"inside, period-3 bulb", -0.1226f, 0.7449f},
    {"inside, c = -2 (lands on a repelling fixed point)", -2.0f, 0.0f},
};

// u = v = 0 puts c at (left, bottom) exactly.
qztest::Rectangle rectangleAt(const MandelbrotPoint &point) {
  return qztest::Rectangle{point.cr, point.cr + 1.0f, point.ci + 1.0f, point.ci};
}

void BM_Mandelbrot(benchmark::State &state) {
  static const qzbench::ShaderEntry shade = qzbench::shaderEntry("qzFractalMandelbrot");
  const MandelbrotPoint &point = kMandelbrotPoints[state.range(0)];
  const qztest::Rectangle view = rectangleAt(point);
  qzbench::Records records;
  records.set(0, view.left);
  records.set(4, view.right);
  records.set(8, view.top);
  records.set(12, view.bottom);
  records.set(16, static_cast<int32_t>(state.range(1)));
  records.set(20, int32_t{0});
  float result = 0.0f;
  for (auto _ : state) {
    shade(&result, records.renderState(), records.block());
    benchmark::DoNotOptimize(result);
  }
  state.SetLabel(point.path);
  state.SetItemsProcessed(state.iterations());
}

void BM_MandelbrotPlainLoop(benchmark::State &state) {
  const MandelbrotPoint &point = kMandelbrotPoints[state.range(0)];
  qztest::Rectangle view = rectangleAt(point);
  const auto iterations = static_cast<int32_t>(state.range(1));
  for (auto _ : state) {
    benchmark::DoNotOptimize(view);
    benchmark::DoNotOptimize(qztest::plainMandelbrot(view, iterations, 0.0f, 0.0f));
  }
  state.SetLabel(point.path);
  state.SetItemsProcessed(state.iterations());
}

void mandelbrotArguments(benchmark::internal::Benchmark *benchmark) {
  benchmark->ArgNames({"point", "iterations"});
  for (int64_t point = 0; point < static_cast<int64_t>(std::size(kMandelbrotPoints)); ++point)
    for (int64_t iterations : {1000, 9999})
      benchmark->Args({point, iterations});
}
BENCHMARK(BM_Mandelbrot)->Apply(mandelbrotArguments);
BENCHMARK(BM_MandelbrotPlainLoop)->Apply(mandelbrotArguments);

// The colorizers' blocks. Simple: value 0, zeroColor 4, startColor 20,
// endColor 36. Area5: value 0, limit k at 4k, colour k at 24 + 16k.
void fillColorizerSimple(qzbench::Records &records) {
  records.set(4, miColor{0.0f, 0.0f, 0.0f, 1.0f});
  records.set(20, miColor{0.0f, 0.0f, 0.5f, 1.0f});
  records.set(36, miColor{1.0f, 0.9f, 0.2f, 1.0f});
}
void fillColorizerArea5(qzbench::Records &records) {
  const float limits[] = {0.02f, 0.05f, 0.1f, 0.2f, 1.0f};
  for (int k = 1; k <= 5; ++k)
    records.set(4 * k, limits[k - 1]);
  for (int k = 0; k <= 5; ++k)
    records.set(24 + 16 * k, miColor{0.2f * static_cast<float>(k), 0.5f, 1.0f - 0.2f * static_cast<float>(k), 1.0f});
}

struct ColorPath {
  const char *path;
  float value;
  bool connected;
};

template <void (*Fill)(qzbench::Records &)>
void colorizerBenchmark(benchmark::State &state, const char *shaderName, const ColorPath &path) {
  const qzbench::ShaderEntry shade = qzbench::shaderEntry(shaderName);
  qzbench::Records records;
  Fill(records);
  records.set(0, path.value);
  if (path.connected)
    records.setConnected(0, true); // the bench host answers with the block's own value
  miColor result{};
  for (auto _ : state) {
    shade(&result, records.renderState(), records.block());
    benchmark::DoNotOptimize(result);
  }
  state.SetLabel(path.path);
  state.SetItemsProcessed(state.iterations());
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

const ColorPath kSimplePaths[] = {
    {"value 0: zeroColor", 0.0f, false},
    {"value 0.5: gradient", 0.5f, false},
    {"value 1.5: out of range", 1.5f, false},
    {"value 0.5 connected: gradient", 0.5f, true},
};
const ColorPath kArea5Paths[] = {
    {"value 0: color0", 0.0f, false},
    {"value 0.01: band 1", 0.01f, false},
    {"value 0.5: band 5", 0.5f, false},
    {"value NaN: every limit, no band", kNaN, false},
    {"value 0.01 connected: band 1", 0.01f, true},
};

void BM_ColorizerSimple(benchmark::State &state) {
  colorizerBenchmark<fillColorizerSimple>(state, "qzFractalColorizerSimple", kSimplePaths[state.range(0)]);
}
BENCHMARK(BM_ColorizerSimple)->DenseRange(0, std::size(kSimplePaths) - 1);

void BM_ColorizerArea5(benchmark::State &state) {
  colorizerBenchmark<fillColorizerArea5>(state, "qzFractalColorizerArea5", kArea5Paths[state.range(0)]);
}
BENCHMARK(BM_ColorizerArea5)->DenseRange(0, std::size(kArea5Paths) - 1);

} // namespace
