// Portable Float Map, written without any library: the cheapest float image
// to write and to read back, the format plain renderers and image tools
// exchange raw floats in.
//
//   "PF\n" (three channels) or "Pf\n" (one), "WIDTH HEIGHT\n", "-1.0\n"
//   (the scale's sign says little-endian), then the rows from the bottom up.
//
// A colour image is written as R, G, B: the format has no alpha channel. A
// scalar or integer image is its one channel. There is no metadata and no
// data window: a crop is written as a picture of its own.
#pragma once

#include <string>

#include "render_settings.h"

namespace qzrender {

// Writes `image` to `file` (created or truncated). Empty when written, else
// why not (the system's error text).
std::string writePfm(const std::string &file, const Image &image);

} // namespace qzrender
