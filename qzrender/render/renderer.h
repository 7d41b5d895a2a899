// Renders a network's root shader over a frame: pixel (x, y), row 0 at the
// top, takes N x N samples at the centres of equal cells,
//   u = (x + (i + 0.5) / N) / W,  v = 1 - (y + (j + 0.5) / N) / H,
// (so u = (x + 0.5) / W and v = 1 - (y + 0.5) / H for N = 1), computed in
// double precision and rounded once to float, and averages them in double
// precision. Every pixel is computed by one thread alone from its own
// coordinates, so the image is bit-identical for any thread count and any
// crop of the frame.
#pragma once

#include <functional>

#include "qzhost/network.h"
#include "render_settings.h"

namespace qzrender {

struct RenderStats {
  double seconds = 0.0;
  uint64_t samples = 0;
  uint64_t unservedTextureSpaces = 0; // samples where a connected texSpace was out of range
};

// `progress` is called on the calling thread with the fraction of rows done,
// now and then and once with 1 at the end.
Image render(const qzhost::Network &network, const RenderSettings &settings,
             const std::function<void(double)> &progress, RenderStats *stats);

} // namespace qzrender
