// The whole preview render, in samples per second: bench/full_view.mi (the
// Mandelbrot's full view into the five-band ramp) rendered by qzrender's own
// renderer in this process, 512 x 512 at one sample per pixel, without the
// image output.
#include <benchmark/benchmark.h>

#include <string>

#include "network_builder.h"
#include "parser.h"
#include "renderer.h"

namespace {

void BM_Render(benchmark::State &state) {
  qzscene::Scene scene = qzscene::readScene(QZ_BENCH_DIR "/full_view.mi", qzscene::SearchPath({QZ_PLUGIN_DIR}),
                                            qzscene::SearchPath({QZ_DECLARATION_DIR}));
  qzscene::applyOverride(scene, "fractal.iterations=" + std::to_string(state.range(0)));
  const auto network = qzscene::loadNetwork(scene, qzscene::chooseRoot(scene, ""));
  qzrender::RenderSettings settings;
  settings.width = settings.height = 512;
  settings.region = qzrender::Region{0, 0, 511, 511};
  settings.threads = static_cast<int>(state.range(1));
  for (auto _ : state) {
    qzrender::Image image = qzrender::render(
        *network, settings, [](double) {}, nullptr);
    benchmark::DoNotOptimize(image.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * settings.width * settings.height);
}
BENCHMARK(BM_Render)
    ->ArgNames({"iterations", "threads"})
    ->ArgsProduct({{100, 1000, 5000}, {1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
