// A colorizer whose `value` is connected to a real qzFractalMandelbrot
// instance, the way a scene wires them: the stand-in host runs the Mandelbrot
// plug-in for the same render state when the colorizer asks for its value.
#include <gtest/gtest.h>

#include <vector>

#include "color_expect.h"
#include "host_fixture.h"

namespace {

using namespace qztest;

// (upper - lower) * t + lower per channel, each operation rounded to float.
Color gradient(const Color &lower, const Color &upper, float t) {
  return {(upper.r - lower.r) * t + lower.r, (upper.g - lower.g) * t + lower.g, (upper.b - lower.b) * t + lower.b,
          (upper.a - lower.a) * t + lower.a};
}

// A host for one colorizer call: requests for the colorizer's parameters are
// recorded and answered by `colorizerHost`; a request for its `value` (block
// offset 0) runs the Mandelbrot on the full view at 100 iterations instead.
class MandelbrotChainTest : public ::testing::Test {
protected:
  void SetUp() override {
    fillMandelbrotFullView(mandelbrotRecords, 100);
    host.setHandler(&MandelbrotChainTest::handle, this);
    mandelbrot.setModuleHandle(host.library.handle());
  }

  static void *handle(void *context, void *state, void *param, int hostId) {
    auto *self = static_cast<MandelbrotChainTest *>(context);
    void *answer = RecordingHost::handle(&self->colorizerHost, state, param, hostId);
    if (param != self->colorizerRecords.block())
      return answer;
    // The nested shader runs with its own record in the state, as in a real
    // host, and the caller's record is back when it returns.
    void *caller = self->colorizerRecords.swapRunningShader(self->mandelbrotRecords.shaderRecord());
    self->mandelbrotOutput = -1.0f;
    EXPECT_EQ(self->mandelbrot.shade(&self->mandelbrotOutput, state, self->mandelbrotRecords.block()), 1);
    self->colorizerRecords.swapRunningShader(caller);
    return &self->mandelbrotOutput;
  }

  // Shades the sample at (u, v) with `colorizer`, whose `value` is connected
  // to the Mandelbrot and whose other parameters are given by the test.
  Color shadeSample(Plugin &colorizer, float u, float v) {
    colorizer.setModuleHandle(host.library.handle());
    colorizerRecords.connect({0});
    colorizerRecords.setTextureSpaces({u, v, 0.0f});
    colorizerHost.clear();
    Color result{-1.0f, -1.0f, -1.0f, -1.0f};
    EXPECT_EQ(colorizer.shade(&result, colorizerRecords.state(), colorizerRecords.block()), 1);
    return result;
  }

  Plugin &mandelbrot = plugin("qzFractalMandelbrot");
  StandInHost &host = standInHost();
  HostRecords colorizerRecords;
  RecordingHost colorizerHost{colorizerRecords};
  HostRecords mandelbrotRecords;
  float mandelbrotOutput = -1.0f;
};

// c = -0.5 lies in the set; c = 1 escapes at step 4, giving 0.04.
constexpr float kInsideU = 0.5f, kInsideV = 0.5f, kOutsideU = 1.0f, kOutsideV = 0.5f;

TEST_F(MandelbrotChainTest, ColorizerSimple) {
  // Block offsets: value 0, zeroColor 4, startColor 20, endColor 36.
  const Color zero{0.25f, 0.5f, 0.75f, 1.0f}, start{0.0f, 0.0f, 1.0f, 1.0f}, end{1.0f, 0.5f, 0.0f, 0.5f};
  giveParameter(colorizerRecords, colorizerHost, 4, zero, true);
  giveParameter(colorizerRecords, colorizerHost, 20, start, true);
  giveParameter(colorizerRecords, colorizerHost, 36, end, true);
  Plugin &colorizer = plugin("qzFractalColorizerSimple");

  EXPECT_TRUE(sameColor(shadeSample(colorizer, kInsideU, kInsideV), zero));
  EXPECT_EQ(mandelbrotOutput, 0.0f);
  EXPECT_EQ(colorizerHost.requests(), (std::vector<size_t>{0, 20, 36, 4}));

  const Color outside = shadeSample(colorizer, kOutsideU, kOutsideV);
  EXPECT_EQ(mandelbrotOutput, 0.04f);
  EXPECT_TRUE(sameColor(outside, gradient(start, end, mandelbrotOutput)));
  EXPECT_EQ(colorizerHost.requests(), (std::vector<size_t>{0, 20, 36}));
}

TEST_F(MandelbrotChainTest, ColorizerArea5) {
  // Block offsets: value 0, limit k at 4 * k, colour k at 24 + 16 * k.
  const float limits[] = {0.02f, 0.05f, 0.1f, 0.2f, 1.0f};
  const Color colors[] = {{0.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.5f, 1.0f}, {0.0f, 0.5f, 1.0f, 1.0f},
                          {1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 0.5f, 0.0f, 1.0f}, {0.5f, 0.0f, 0.0f, 1.0f}};
  for (size_t k = 1; k <= 5; ++k)
    giveParameter(colorizerRecords, colorizerHost, 4 * k, limits[k - 1], true);
  for (size_t k = 0; k <= 5; ++k)
    giveParameter(colorizerRecords, colorizerHost, 24 + 16 * k, colors[k], true);
  Plugin &colorizer = plugin("qzFractalColorizerArea5");

  EXPECT_TRUE(sameColor(shadeSample(colorizer, kInsideU, kInsideV), colors[0]));
  EXPECT_EQ(mandelbrotOutput, 0.0f);
  EXPECT_EQ(colorizerHost.requests(), (std::vector<size_t>{0, 24}));

  // 0.04 lies in band 2, from limit1 and color1 to limit2 and color2.
  const Color outside = shadeSample(colorizer, kOutsideU, kOutsideV);
  EXPECT_EQ(mandelbrotOutput, 0.04f);
  const float t = (mandelbrotOutput - limits[0]) / (limits[1] - limits[0]);
  EXPECT_TRUE(sameColor(outside, gradient(colors[1], colors[2], t)));
  EXPECT_EQ(colorizerHost.requests(), (std::vector<size_t>{0, 24, 4, 40, 8, 56}));
}

} // namespace
