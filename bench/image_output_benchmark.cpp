// Writing a rendered 2048 x 2048 colour image, as qzrender ends every run:
// .pfm natively, .tif (float, zip) and .png through the OpenImageIO module,
// loaded once beforehand as qzrender loads it.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "image_module.h"
#include "image_writer.h"

namespace {

qzrender::Image colourImage(int size) {
  qzrender::Image image{size, size, 4, qzrender::PixelBuffer(static_cast<size_t>(size) * size * 4)};
  for (size_t i = 0; i < image.pixels.size(); ++i)
    image.pixels[i] = static_cast<float>(i % 4099) / 4099.0f;
  return image;
}

void BM_WriteImage(benchmark::State &state, const char *extension) {
  constexpr int kSize = 2048;
  static const qzrender::Image image = colourImage(kSize);
  static const qzrender::ImageModule module =
      qzrender::loadImageModule({std::filesystem::path(QZIMAGEIO_MODULE).parent_path().string()});
  qzrender::RenderSettings settings;
  settings.width = settings.height = kSize;
  settings.region = qzrender::Region{0, 0, kSize - 1, kSize - 1};
  const qzrender::ImageMetadata metadata{"full_view.mi", "ramp", "ramp qzFractalColorizerArea5 ()"};
  const std::string file =
      (std::filesystem::temp_directory_path() / ("qzbench-" + std::to_string(getpid()) + extension)).string();
  for (auto _ : state)
    qzrender::writeImage(file, file, image, settings, metadata, &module);
  std::filesystem::remove(file);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(image.pixels.size() * sizeof(float)));
}
BENCHMARK_CAPTURE(BM_WriteImage, pfm, ".pfm")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_WriteImage, tif, ".tif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_WriteImage, png, ".png")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
