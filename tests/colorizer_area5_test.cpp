// qzFractalColorizerArea5: band search over ascending and disordered limits,
// exact colours, and how far each call evaluates its parameters.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "color_shader_test.h"

namespace {

using namespace qztest;

// Block offsets: value 0, limit k at 4 * k (k = 1..5), colour k at 24 + 16 * k
// (k = 0..5).
constexpr size_t kValue = 0;
constexpr size_t limitOffset(int k) { return 4 * static_cast<size_t>(k); }
constexpr size_t colorOffset(int k) { return 24 + 16 * static_cast<size_t>(k); }

// The order in which parameters are evaluated; every call stops somewhere
// along it.
const std::vector<size_t> kSequence{kValue,         colorOffset(0), limitOffset(1), colorOffset(1),
                                    limitOffset(2), colorOffset(2), limitOffset(3), colorOffset(3),
                                    limitOffset(4), colorOffset(4), limitOffset(5), colorOffset(5)};

std::vector<size_t> evaluatedUpTo(size_t last) {
  return {kSequence.begin(), std::find(kSequence.begin(), kSequence.end(), last) + 1};
}

using Limits = std::array<float, 5>;
using Palette = std::array<Color, 6>;

const Limits kAscending{0.25f, 0.5f, 0.75f, 0.875f, 0.9375f};
const Palette kPalette{Color{0.25f, 0.25f, 0.25f, 1.0f}, Color{1.0f, 0.0f, 0.0f, 1.0f}, Color{1.0f, 1.0f, 0.0f, 1.0f},
                       Color{0.0f, 1.0f, 0.0f, 0.5f},    Color{0.0f, 1.0f, 1.0f, 1.0f}, Color{0.0f, 0.0f, 1.0f, 1.0f}};
constexpr Color kCleared{0.0f, 0.0f, 0.0f, 0.0f};
const float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Case {
  Limits limits;
  float value;
  Color expected;
  size_t stopsAfter; // offset of the last parameter evaluated
};

class ColorizerArea5Test : public ColorShaderTest {
protected:
  ColorizerArea5Test() : ColorShaderTest("qzFractalColorizerArea5") {}

  Color shadeValue(float value, const Limits &limits, const Palette &palette, bool connected) {
    give(kValue, value, connected);
    for (int k = 1; k <= 5; ++k)
      give(limitOffset(k), limits[k - 1], connected);
    for (int k = 0; k <= 5; ++k)
      give(colorOffset(k), palette[k], connected);
    recorder.clear();
    return shade();
  }

  // Every case twice: parameters holding their own values (the host is never
  // asked), and every parameter connected (each read is a recorded request).
  void check(const Case &c) {
    for (bool connected : {false, true}) {
      EXPECT_TRUE(sameColor(shadeValue(c.value, c.limits, kPalette, connected), c.expected))
          << c.value << " connected " << connected;
      EXPECT_EQ(recorder.requests(), connected ? evaluatedUpTo(c.stopsAfter) : std::vector<size_t>{}) << c.value;
    }
  }
};

TEST_F(ColorizerArea5Test, AscendingLimits) {
  const Case cases[] = {
      {kAscending, 0.0f, kPalette[0], colorOffset(0)},
      {kAscending, -0.0f, kPalette[0], colorOffset(0)},
      {kAscending, 0.125f, {0.625f, 0.125f, 0.125f, 1.0f}, colorOffset(1)},
      {kAscending, 0.25f, kPalette[1], colorOffset(1)},
      {kAscending, 0.375f, {1.0f, 0.5f, 0.0f, 1.0f}, colorOffset(2)},
      {kAscending, 0.625f, {0.5f, 1.0f, 0.0f, 0.75f}, colorOffset(3)},
      {kAscending, 0.8125f, {0.0f, 1.0f, 0.5f, 0.75f}, colorOffset(4)},
      {kAscending, 0.90625f, {0.0f, 0.5f, 1.0f, 1.0f}, colorOffset(5)},
      // Above limit5: no band, color5 is not evaluated.
      {kAscending, 0.96875f, kCleared, limitOffset(5)},
      {kAscending, 1.0f, kCleared, limitOffset(5)},
      // NaN passes the range test and every limit: nothing is coloured.
      {kAscending, kNaN, kCleared, limitOffset(5)},
      {kAscending, -0.5f, kCleared, kValue},
      {kAscending, 1.5f, kCleared, kValue},
      {kAscending, std::nextafter(1.0f, 2.0f), kCleared, kValue},
  };
  for (const Case &c : cases)
    check(c);
}

// The limits are neither sorted nor checked: the first limit >= the value
// picks the band, and every limit passed becomes the lower bound.
TEST_F(ColorizerArea5Test, LimitsOutOfOrderEqualNegativeOrNaN) {
  const Limits swapped{0.5f, 0.25f, 0.75f, 0.875f, 1.0f};
  const Limits zeroFirst{0.0f, 0.5f, 0.75f, 0.875f, 1.0f};
  const Limits allEqual{0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  const Limits nanSecond{0.25f, kNaN, 0.75f, 0.875f, 1.0f};
  const Limits negativeFirst{-0.5f, 0.5f, 0.75f, 0.875f, 1.0f};
  const Case cases[] = {
      {swapped, 0.375f, {0.8125f, 0.0625f, 0.0625f, 1.0f}, colorOffset(1)},
      // Passes limit1 and limit2, lands in band 3 from 0.25 and color2;
      // band 2 is never chosen.
      {swapped, 0.625f, {0.25f, 1.0f, 0.0f, 0.625f}, colorOffset(3)},
      // The zero test keeps limit1 = 0 from giving 0 / 0.
      {zeroFirst, 0.0f, kPalette[0], colorOffset(0)},
      {zeroFirst, 0.25f, {1.0f, 0.5f, 0.0f, 1.0f}, colorOffset(2)},
      {allEqual, 0.5f, kPalette[1], colorOffset(1)},
      {allEqual, 0.25f, {0.625f, 0.125f, 0.125f, 1.0f}, colorOffset(1)},
      {allEqual, 0.75f, kCleared, limitOffset(5)},
      {nanSecond, 0.125f, {0.625f, 0.125f, 0.125f, 1.0f}, colorOffset(1)},
      // The NaN limit is passed over and becomes band 3's lower bound.
      {nanSecond, 0.375f, {kNaN, kNaN, kNaN, kNaN}, colorOffset(3)},
      {negativeFirst, 0.25f, {1.0f, 0.75f, 0.0f, 1.0f}, colorOffset(2)},
  };
  for (const Case &c : cases)
    check(c);
}

// t = (value - lower) / (limit - lower), each operation rounded to single
// precision, is 0x1.d1745cp-2 here (in double it rounds to ...5ep-2, as a
// multiplication by the reciprocal to ...5ap-2); the colour then takes the
// difference, product and sum each rounded by itself as well.
TEST_F(ColorizerArea5Test, RoundsEachOperationOnItsOwn) {
  const Limits limits{0.01f, 0.12f, 0.5f, 0.75f, 1.0f};
  Palette palette = kPalette;
  palette[1] = Color{0.02f, 0.02f, 0.02f, 0.02f};
  palette[2] = Color{0.45f, 0.45f, 0.45f, 0.45f};
  const float expected = 0x1.b94038p-3f;
  EXPECT_TRUE(sameColor(shadeValue(0.06f, limits, palette, false), {expected, expected, expected, expected}));
}

} // namespace
