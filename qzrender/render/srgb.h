// 8-bit encoding of linear values for images meant to be looked at.
#pragma once

#include <cstdint>

namespace qzrender {

// The sRGB transfer curve: 12.92 x up to 0.0031308, 1.055 x^(1/2.4) - 0.055
// above; clamped to 0..1 first (NaN counts as 0), rounded to the nearest of
// 0..255.
uint8_t encodeSrgb8(float linear);

// Alpha and other data are not curved: clamped and rounded alike.
uint8_t encodeLinear8(float value);

} // namespace qzrender
