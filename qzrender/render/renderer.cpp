#include "renderer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qzrender {
namespace {

// Rows are handed out one at a time; a thread shades whole rows.
struct RowQueue {
  std::atomic<int> next{0};
  std::atomic<int> done{0};
  std::atomic<uint64_t> unserved{0};
  std::mutex mutex;
  std::condition_variable finished;
};

void shadeRows(const qzhost::Network &network, const RenderSettings &settings, Image &image, RowQueue &queue) {
  qzhost::Evaluator evaluator(network);
  const int n = settings.samples;
  const double width = settings.width;
  const double height = settings.height;
  std::vector<double> cell(n); // (i + 0.5) / N
  for (int i = 0; i < n; ++i)
    cell[i] = (i + 0.5) / n;
  std::vector<float> rowV(n); // v of each sample row of the pixel row
  const double count = static_cast<double>(n) * n;
  const int channels = image.channels;
  float value[4];

  for (int row = queue.next.fetch_add(1); row < image.height; row = queue.next.fetch_add(1)) {
    const int y = settings.region.y0 + row;
    float *out = image.pixels.data() + static_cast<size_t>(row) * image.width * channels;
    // v depends on the row alone: computed once here, not for every pixel.
    for (int j = 0; j < n; ++j)
      rowV[j] = static_cast<float>(1.0 - (y + cell[j]) / height);
    for (int x = settings.region.x0; x <= settings.region.x1; ++x, out += channels) {
      double sum[4] = {0.0, 0.0, 0.0, 0.0};
      for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
          const auto u = static_cast<float>((x + cell[i]) / width);
          evaluator.shade(u, rowV[j], value);
          for (int c = 0; c < channels; ++c)
            sum[c] += value[c];
        }
      }
      for (int c = 0; c < channels; ++c)
        out[c] = static_cast<float>(sum[c] / count);
    }
    if (queue.done.fetch_add(1) + 1 == image.height) {
      std::lock_guard lock(queue.mutex);
      queue.finished.notify_all();
    }
  }
  queue.unserved.fetch_add(evaluator.unservedTextureSpaces());
}

} // namespace

Image render(const qzhost::Network &network, const RenderSettings &settings,
             const std::function<void(double)> &progress, RenderStats *stats) {
  Image image;
  image.width = settings.region.width();
  image.height = settings.region.height();
  image.channels = qzhost::valueChannels(network.resultType());
  image.pixels.assign(static_cast<size_t>(image.width) * image.height * image.channels, 0.0f);

  const auto start = std::chrono::steady_clock::now();
  RowQueue queue;
  const int threads = std::max(1, std::min(settings.threads, image.height));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back(shadeRows, std::cref(network), std::cref(settings), std::ref(image), std::ref(queue));
  while (true) {
    {
      std::unique_lock lock(queue.mutex);
      if (queue.finished.wait_for(lock, std::chrono::milliseconds(100),
                                  [&] { return queue.done.load() == image.height; }))
        break;
    }
    progress(static_cast<double>(queue.done.load()) / image.height);
  }
  for (std::thread &worker : workers)
    worker.join();
  progress(1.0);

  if (stats) {
    stats->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    stats->samples = static_cast<uint64_t>(image.width) * image.height * settings.samples * settings.samples;
    stats->unservedTextureSpaces = queue.unserved.load();
  }
  return image;
}

} // namespace qzrender
