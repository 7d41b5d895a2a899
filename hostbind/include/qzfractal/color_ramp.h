// Colour arithmetic shared by the colour-ramp shaders.
//
// Every operation is single precision and rounded by itself in the order
// written; the build forbids contraction into fused multiply-adds, so a ramp
// gives the same bits on every platform.
#ifndef QZFRACTAL_COLOR_RAMP_H
#define QZFRACTAL_COLOR_RAMP_H

#ifndef __cplusplus
#error "color_ramp.h is a C++ header"
#endif

#include "qzfractal/host_types.h"

// True for a value below 0 or above 1. The comparisons are made in double:
// widening is exact, so the outcome is that of the float comparisons. -0 and
// 1 are inside; NaN fails both comparisons and so counts as inside too.
static inline bool qzOutsideUnitRange(miScalar value) {
  const double wide = static_cast<double>(value);
  return wide < 0.0 || wide > 1.0;
}

// (upper - lower) * t + lower for one channel: difference, product, sum.
static inline miScalar qzLerpChannel(miScalar lower, miScalar upper, miScalar t) {
  const miScalar difference = upper - lower;
  const miScalar product = difference * t;
  return product + lower;
}

// The point at `t` on the straight line from `lower` (t = 0) to `upper`
// (t = 1), each channel r, g, b, a on its own.
static inline miColor qzLerpColor(const miColor &lower, const miColor &upper, miScalar t) {
  return miColor{qzLerpChannel(lower.r, upper.r, t), qzLerpChannel(lower.g, upper.g, t),
                 qzLerpChannel(lower.b, upper.b, t), qzLerpChannel(lower.a, upper.a, t)};
}

#endif
