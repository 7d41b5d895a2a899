#include "srgb.h"

#include <cmath>

namespace qzrender {
namespace {

double clamp01(float value) {
  if (!(value > 0.0f)) // also NaN
    return 0.0;
  return value < 1.0f ? static_cast<double>(value) : 1.0;
}

uint8_t quantise(double unit) { return static_cast<uint8_t>(std::lround(unit * 255.0)); }

} // namespace

uint8_t encodeSrgb8(float linear) {
  const double x = clamp01(linear);
  return quantise(x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1.0 / 2.4) - 0.055);
}

uint8_t encodeLinear8(float value) { return quantise(clamp01(value)); }

} // namespace qzrender
