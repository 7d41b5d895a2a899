// qzFractalColorizerSimple: the colour for each kind of value, exact to the
// bit, and which parameters each call evaluates, in order.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "color_shader_test.h"

namespace {

using namespace qztest;

// Block offsets: value 0, zeroColor 4, startColor 20, endColor 36.
constexpr size_t kValue = 0, kZeroColor = 4, kStartColor = 20, kEndColor = 36;

constexpr Color kZero{0.25f, 0.5f, 0.75f, 1.0f};
constexpr Color kStart{0.0f, 0.0f, 1.0f, 1.0f};
constexpr Color kEnd{1.0f, 0.5f, 0.0f, 0.5f};
constexpr Color kCleared{0.0f, 0.0f, 0.0f, 0.0f};

class ColorizerSimpleTest : public ColorShaderTest {
protected:
  ColorizerSimpleTest() : ColorShaderTest("qzFractalColorizerSimple") {}

  Color shadeValue(float value, bool connected, const Color &start = kStart, const Color &end = kEnd) {
    give(kValue, value, connected);
    give(kZeroColor, kZero, connected);
    give(kStartColor, start, connected);
    give(kEndColor, end, connected);
    recorder.clear();
    return shade();
  }
};

// Every case twice: parameters holding their own values (the host is never
// asked), and every parameter connected (each read is a recorded request).
TEST_F(ColorizerSimpleTest, ColoursAndEvaluationOrder) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float tiny = std::ldexp(1.0f, -20);
  const std::vector<size_t> gradient{kValue, kStartColor, kEndColor};
  const std::vector<size_t> zero{kValue, kStartColor, kEndColor, kZeroColor};
  const std::vector<size_t> outside{kValue};
  struct Case {
    float value;
    Color expected;
    std::vector<size_t> order;
  };
  const Case cases[] = {
      {0.5f, {0.5f, 0.25f, 0.5f, 0.75f}, gradient},
      {0.25f, {0.25f, 0.125f, 0.75f, 0.875f}, gradient},
      {1.0f, kEnd, gradient},
      {0.0f, kZero, zero},
      {-0.0f, kZero, zero},
      // Next to startColor, not zeroColor: only exactly 0 is "zero".
      {tiny, {tiny, tiny / 2, 1.0f - tiny, 1.0f - tiny / 2}, gradient},
      {-0.25f, kCleared, outside},
      {1.5f, kCleared, outside},
      {std::nextafter(1.0f, 2.0f), kCleared, outside},
      {-std::numeric_limits<float>::denorm_min(), kCleared, outside},
      {std::numeric_limits<float>::infinity(), kCleared, outside},
      {nan, {nan, nan, nan, nan}, gradient},
  };
  for (const Case &c : cases) {
    for (bool connected : {false, true}) {
      EXPECT_TRUE(sameColor(shadeValue(c.value, connected), c.expected)) << c.value << " connected " << connected;
      EXPECT_EQ(recorder.requests(), connected ? c.order : std::vector<size_t>{}) << c.value;
    }
  }
}

// (end - start) * value + start with each of the three operations rounded to
// single precision: a fused multiply-add, double precision or the form
// start * (1 - value) + end * value all give 0x1.df3b66p-4 here.
TEST_F(ColorizerSimpleTest, RoundsEachOperationOnItsOwn) {
  const Color start{0.15f, 0.15f, 0.15f, 0.15f};
  const Color end{0.04f, 0.04f, 0.04f, 0.04f};
  const float expected = 0x1.df3b64p-4f;
  EXPECT_TRUE(sameColor(shadeValue(0.3f, false, start, end), {expected, expected, expected, expected}));
}

} // namespace
