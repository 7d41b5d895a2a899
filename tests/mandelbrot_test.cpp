// qzFractalMandelbrot: escape values, invalid input and the order in which
// parameters are evaluated.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "host_fixture.h"
#include "plain_mandelbrot.h"

namespace {

using namespace qztest;

// Block offsets: left 0, right 4, top 8, bottom 12, iterations 16, texSpace 20.
constexpr size_t kLeft = 0, kRight = 4, kTop = 8, kBottom = 12, kIterations = 16, kTexSpace = 20;

struct View {
  float left = -2.0f, right = 1.0f, top = 1.5f, bottom = -1.5f;
  int32_t iterations = 100, texSpace = 0;
};

class MandelbrotTest : public ::testing::Test {
protected:
  void SetUp() override {
    host.setHandler(&RecordingHost::handle, &recorder);
    mandelbrot.setModuleHandle(host.library.handle());
  }
  void fill(const View &view) {
    records.set(kLeft, view.left);
    records.set(kRight, view.right);
    records.set(kTop, view.top);
    records.set(kBottom, view.bottom);
    records.set(kIterations, view.iterations);
    records.set(kTexSpace, view.texSpace);
  }
  // Every parameter connected: the host answers with the view's values and
  // the block itself holds values that would give a different result.
  void fillConnected(const View &view) {
    fill(View{5.0f, 6.0f, 7.0f, 8.0f, 50, 3});
    records.connect({kLeft, kRight, kTop, kBottom, kIterations, kTexSpace});
    recorder.answer(kLeft, view.left);
    recorder.answer(kRight, view.right);
    recorder.answer(kTop, view.top);
    recorder.answer(kBottom, view.bottom);
    recorder.answer(kIterations, view.iterations);
    recorder.answer(kTexSpace, view.texSpace);
  }
  float shadeAt(float u, float v) {
    records.setTextureSpaces({u, v, 0.0f});
    return shade();
  }
  float shade() {
    float result = -1.0f;
    EXPECT_EQ(mandelbrot.shade(&result, records.state(), records.block()), 1);
    return result;
  }
  Plugin &mandelbrot = plugin("qzFractalMandelbrot");
  StandInHost &host = standInHost();
  HostRecords records;
  RecordingHost recorder{records};
};

TEST_F(MandelbrotTest, FullViewSamples) {
  struct Case {
    float u, v, expected;
  };
  fill(View{});
  for (const Case &c : {Case{0.0f, 0.5f, 0.0f},           // c = -2: z runs 0, -2, 2, 2, ...
                        Case{0.5f, 0.5f, 0.0f},           // c = -0.5
                        Case{1.0f, 0.5f, 4.0f / 100.0f},  // c = 1: z runs 0, 1, 2, 5
                        Case{0.0f, 0.0f, 3.0f / 100.0f},  // c = (-2, -1.5)
                        Case{1.0f, 1.0f, 3.0f / 100.0f}}) // c = (1, 1.5)
    EXPECT_EQ(shadeAt(c.u, c.v), c.expected) << c.u << "," << c.v;
  EXPECT_EQ(shadeAt(1.0f, 0.5f), 0.04f);
}

TEST_F(MandelbrotTest, EscapeStepOnTheRealAxis) {
  struct Case {
    float left, right;
    int32_t iterations;
    float expected;
  };
  const Case cases[] = {
      {4.0f, 5.0f, 100, 0.03f},       // |c|^2 = 16 is not above 16 at n = 2
      {5.0f, 6.0f, 11, 2.0f / 11.0f}, // smallest budget; escape at n = 2
      {0.34f, 1.0f, 11, 0.0f},        // would escape at n = 11: not below 11
      {0.34f, 1.0f, 12, 11.0f / 12.0f}, {0.26f, 1.0f, 1000, 0.032f},
  };
  for (const Case &c : cases) {
    fill(View{c.left, c.right, 1.0f, 0.0f, c.iterations, 0});
    EXPECT_EQ(shadeAt(0.0f, 0.0f), c.expected) << c.left << " at " << c.iterations;
  }
  EXPECT_EQ(2.0f / 11.0f, 0.18181819f);
  EXPECT_EQ(11.0f / 12.0f, 0.9166667f);

  fill(View{-0.75f, -0.74f, 0.11f, 0.1f, 1000, 0});
  EXPECT_EQ(shadeAt(0.0f, 0.0f), 0.035f);
}

TEST_F(MandelbrotTest, ReadsTheTextureSpaceItIsTold) {
  View view;
  view.texSpace = 2;
  fill(view);
  records.setTextureSpaces({0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.5f, 9.0f});
  EXPECT_EQ(shade(), 0.04f);
}

// Which parameters a call evaluates, in order, with every one connected.
TEST_F(MandelbrotTest, EvaluationOrderAndEarlyReturns) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char *what;
    View view;
    std::vector<size_t> order;
    float expected;
  };
  const std::vector<size_t> all{kIterations, kTexSpace, kLeft, kRight, kTop, kBottom};
  const Case cases[] = {
      {"valid", View{}, all, 0.04f},
      {"iterations 10", View{-2, 1, 1.5f, -1.5f, 10, 0}, {kIterations}, 0.0f},
      {"iterations 10000", View{-2, 1, 1.5f, -1.5f, 10000, 0}, {kIterations}, 0.0f},
      {"iterations 11", View{-2, 1, 1.5f, -1.5f, 11, 0}, all, 4.0f / 11.0f},
      {"iterations 9999", View{-2, 1, 1.5f, -1.5f, 9999, 0}, all, 4.0f / 9999.0f},
      {"texSpace -1", View{-2, 1, 1.5f, -1.5f, 100, -1}, {kIterations, kTexSpace}, 0.0f},
      {"left == right", View{1, 1, 1.5f, -1.5f, 100, 0}, {kIterations, kTexSpace, kLeft, kRight}, 0.0f},
      {"left > right", View{2, 1, 1.5f, -1.5f, 100, 0}, {kIterations, kTexSpace, kLeft, kRight}, 0.0f},
      {"bottom == top", View{-2, 1, 1.5f, 1.5f, 100, 0}, all, 0.0f},
      {"left NaN", View{nan, 1, 1.5f, -1.5f, 100, 0}, all, 0.0f},
      {"top NaN", View{-2, 1, nan, -1.5f, 100, 0}, all, 0.0f},
  };
  for (const Case &c : cases) {
    fillConnected(c.view);
    recorder.clear();
    EXPECT_EQ(shadeAt(1.0f, 0.5f), c.expected) << c.what;
    EXPECT_EQ(recorder.requests(), c.order) << c.what;
  }
}

TEST_F(MandelbrotTest, NullTextureListEvaluatesNothing) {
  fillConnected(View{});
  records.clearTextureList();
  recorder.clear();
  EXPECT_EQ(shade(), 0.0f);
  EXPECT_TRUE(recorder.requests().empty());
}

// A connected parameter runs another shader, whose host may change the
// state: a list taken away meanwhile is invalid input, never a null read.
TEST_F(MandelbrotTest, TextureListTakenAwayByAConnectedShader) {
  fill(View{});
  records.setTextureSpaces({1.0f, 0.5f, 0.0f});
  records.connect({kTexSpace});
  static HostRecords *running = nullptr;
  running = &records;
  host.setHandler(
      [](void *, void *, void *, int) -> void * {
        static const int32_t textureSpace = 0;
        running->clearTextureList();
        return const_cast<int32_t *>(&textureSpace);
      },
      nullptr);
  EXPECT_EQ(shade(), 0.0f);
}

TEST_F(MandelbrotTest, NonFiniteRectanglesNeverEscapeEarly) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    View view;
    float expected;
  };
  // An infinite side makes the width infinite and c non-finite: NaN or an
  // infinity that fails or passes the escape test at once.
  const Case cases[] = {
      {View{nan, nan, nan, nan, 9999, 0}, 0.0f},
      {View{-inf, 1, 1.5f, -1.5f, 100, 0}, 0.0f},          // c = (NaN, 0): u*inf with u = 0.5 is inf, inf-inf NaN
      {View{-2, inf, 1.5f, -1.5f, 100, 0}, 2.0f / 100.0f}, // cr = +inf escapes at n = 2
      {View{-2, 1, 1.5f, -1.5f, 100, 0}, 0.0f},
  };
  for (const Case &c : cases) {
    fill(c.view);
    EXPECT_EQ(shadeAt(0.5f, 0.5f), c.expected);
  }
}

// Points whose orbits the shader may cut short: inside the set it stops once
// the orbit provably never escapes, and it must not be fooled by orbits that
// linger near a cycle and escape late. (The long tests compare millions.)
TEST_F(MandelbrotTest, PointsNearCyclesMatchThePlainLoop) {
  struct Case {
    const char *what;
    float cr, ci;
  };
  const Case cases[] = {
      {"0: fixed at once", 0.0f, 0.0f},
      {"-1: exact 2-cycle", -1.0f, 0.0f},
      {"-2: repelling fixed point 2", -2.0f, 0.0f},
      {"i: lands on a repelling 2-cycle", 0.0f, 1.0f},
      {"inside the main cardioid, near its edge", -0.1f, 0.64f},
      {"deep in the main cardioid", -0.2f, 0.2f},
      {"where the cardioid meets the period-2 bulb", -0.75f, 0.0f},
      {"deep in the period-2 bulb", -1.05f, 0.05f},
      {"the period-2 bulb's far edge", -1.2499999f, 0.0f},
      {"inside the period-2 bulb", -1.2f, 0.1f},
      {"inside a period-3 bulb", -0.1226f, 0.7449f},
      {"subnormal", 1e-45f, -1e-45f},
      {"just outside the cusp, escapes late", 0.2501f, 0.0f},
      {"seahorse valley, escapes late", -0.75f, 0.002f},
      {"period-4 bulb, next to the period-2 bulb", -1.2501f, 0.0001f},
  };
  for (const int32_t iterations : {11, 1000, 9999})
    for (const Case &c : cases) {
      // u = v = 0 puts c at (left, bottom) exactly.
      const Rectangle view{c.cr, c.cr + 1.0f, c.ci + 1.0f, c.ci};
      fill(View{view.left, view.right, view.top, view.bottom, iterations, 0});
      const float expected = plainMandelbrot(view, iterations, 0.0f, 0.0f);
      EXPECT_EQ(std::bit_cast<uint32_t>(shadeAt(0.0f, 0.0f)), std::bit_cast<uint32_t>(expected))
          << c.what << " at " << iterations;
    }

  // Orbits that pass close to an attracting-looking cycle on their way out:
  // a shortcut that trusted the look instead of proving the trap would give
  // these 0.
  struct Sample {
    float u, v, expected;
  };
  fill(View{});
  records.set(kIterations, int32_t{1000});
  for (const Sample &sample : {Sample{0.26080474f, 0.54816574f, 0.686f}, Sample{0.28479487f, 0.40928346f, 0.262f},
                               Sample{0.62939382f, 0.77928817f, 0.231f}}) {
    EXPECT_EQ(plainMandelbrot(Rectangle{-2.0f, 1.0f, 1.5f, -1.5f}, 1000, sample.u, sample.v), sample.expected);
    EXPECT_EQ(shadeAt(sample.u, sample.v), sample.expected) << sample.u << "," << sample.v;
  }
}

} // namespace
