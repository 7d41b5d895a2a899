// What the host runtime adds to the shaders' own cost: samples of the
// Mandelbrot alone, and of a colorizer whose `value` the host fills by
// running the Mandelbrot through mi_phen_eval. At a small iteration budget
// the shader's loop is short and the host's share shows.
//
//   build/release/tests/qzrender/qzrender_bench
#include <benchmark/benchmark.h>

#include "network_builder.h"
#include "parser.h"

namespace {

std::unique_ptr<qzhost::Network> load(const std::string &root, int iterations) {
  qzscene::Scene scene =
      qzscene::readScene(std::string(QZ_EXAMPLES_DIR) + "/full_view_ramp.mi", qzscene::SearchPath({QZ_PLUGIN_DIR}),
                         qzscene::SearchPath({QZ_DECLARATION_DIR}));
  qzscene::applyOverride(scene, "fractal.iterations=" + std::to_string(iterations));
  return qzscene::loadNetwork(scene, scene.findInstance(root));
}

// One row of 256 samples across the middle of the view per iteration.
void shadeRow(benchmark::State &state, const std::string &root) {
  const auto network = load(root, static_cast<int>(state.range(0)));
  qzhost::Evaluator evaluator(*network);
  float out[4];
  for (auto _ : state) {
    for (int x = 0; x < 256; ++x) {
      evaluator.shade((static_cast<float>(x) + 0.5f) / 256.0f, 0.5f, out);
      benchmark::DoNotOptimize(out);
    }
  }
  state.SetItemsProcessed(state.iterations() * 256);
}

void BM_Mandelbrot(benchmark::State &state) { shadeRow(state, "fractal"); }
void BM_RampConnectedToMandelbrot(benchmark::State &state) { shadeRow(state, "ramp"); }

BENCHMARK(BM_Mandelbrot)->Arg(11)->Arg(100)->Arg(1000);
BENCHMARK(BM_RampConnectedToMandelbrot)->Arg(11)->Arg(100)->Arg(1000);

} // namespace

BENCHMARK_MAIN();
