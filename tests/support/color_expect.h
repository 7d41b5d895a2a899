// Bit-exact comparison of colour results.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ostream>

#include "host_fixture.h"

namespace qztest {

inline void PrintTo(const Color &c, std::ostream *out) {
  *out << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

// Every channel holds the expected bits; a NaN channel only has to be NaN
// where NaN is expected (its payload is the processor's business).
inline ::testing::AssertionResult sameColor(const Color &actual, const Color &expected) {
  const float got[] = {actual.r, actual.g, actual.b, actual.a};
  const float want[] = {expected.r, expected.g, expected.b, expected.a};
  for (int c = 0; c < 4; ++c) {
    const bool same = std::isnan(want[c]) ? std::isnan(got[c]) : std::memcmp(&got[c], &want[c], sizeof got[c]) == 0;
    if (!same)
      return ::testing::AssertionFailure() << ::testing::PrintToString(actual) << " is not "
                                           << ::testing::PrintToString(expected) << " (channel " << c << ")";
  }
  return ::testing::AssertionSuccess();
}

} // namespace qztest
