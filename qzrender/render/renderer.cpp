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

// The samples' u of every pixel column of the region, N per column: the
// same for every row, so computed once per render rather than per sample.
std::vector<float> columnSamplesU(const RenderSettings &settings) {
  const int n = settings.samples;
  std::vector<float> u;
  u.reserve(static_cast<size_t>(settings.region.width()) * n);
  for (int x = settings.region.x0; x <= settings.region.x1; ++x)
    for (int i = 0; i < n; ++i)
      u.push_back(static_cast<float>((x + (i + 0.5) / n) / settings.width));
  return u;
}

void shadeRows(const qzhost::Network &network, const RenderSettings &settings, const std::vector<float> &columnU,
               Image &image, RowQueue &queue) {
  qzhost::Evaluator evaluator(network);
  const int n = settings.samples;
  const double height = settings.height;
  std::vector<float> rowV(n); // v of each sample row of the pixel row
  const double count = static_cast<double>(n) * n;
  const int channels = image.channels;
  float value[4];

  for (int row = queue.next.fetch_add(1); row < image.height; row = queue.next.fetch_add(1)) {
    const int y = settings.region.y0 + row;
    float *out = image.pixels.data() + static_cast<size_t>(row) * image.width * channels;
    // v depends on the row alone: computed once here, not for every pixel.
    for (int j = 0; j < n; ++j)
      rowV[j] = static_cast<float>(1.0 - (y + (j + 0.5) / n) / height);
    const float *u = columnU.data();
    if (n == 1) {
      // One sample: its value is the pixel. Adding +0 gives the bits the
      // average below gives for one sample (a -0 becomes +0).
      for (int x = 0; x < image.width; ++x, out += channels) {
        evaluator.shade(*u++, rowV[0], value);
        for (int c = 0; c < channels; ++c)
          out[c] = value[c] + 0.0f;
      }
    } else {
      for (int x = 0; x < image.width; ++x, out += channels) {
        double sum[4] = {0.0, 0.0, 0.0, 0.0};
        for (int j = 0; j < n; ++j) {
          for (int i = 0; i < n; ++i) {
            evaluator.shade(u[i], rowV[j], value);
            for (int c = 0; c < channels; ++c)
              sum[c] += value[c];
          }
        }
        u += n;
        for (int c = 0; c < channels; ++c)
          out[c] = static_cast<float>(sum[c] / count);
      }
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
  const std::vector<float> columnU = columnSamplesU(settings);
  const int threads = std::max(1, std::min(settings.threads, image.height));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back(shadeRows, std::cref(network), std::cref(settings), std::cref(columnU), std::ref(image),
                         std::ref(queue));
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
