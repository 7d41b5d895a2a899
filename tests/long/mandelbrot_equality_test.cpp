// qzFractalMandelbrot, loaded as a host loads it, against the plain loop,
// bit for bit, over more than ten million samples: the full view, close-ups
// of the set's boundary, a view that is mostly inside the set, and
// rectangles of non-finite and subnormal numbers, at the budgets 11, 100,
// 1000 and 9999. The shortcuts that stop early inside the set must never
// change a result.
//
// A long test (CTest label "long"): the plain loop costs the whole budget
// for every point inside the set. The sample counts shrink as the budget
// grows to keep the run within about a minute on two cores.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <limits>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host_fixture.h"
#include "plain_mandelbrot.h"

namespace {

using namespace qztest;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kSubnormal = std::numeric_limits<float>::denorm_min();

constexpr int32_t kBudgets[] = {11, 100, 1000, 9999};

struct View {
  const char *name;
  Rectangle rectangle;
  int32_t samples[4]; // at each budget of kBudgets, in thousands
};

// Close-ups are 0.01 wide or less, each on a stretch of boundary with its
// own dynamics; the last one is as close as single-precision edges allow.
// clang-format off
const View kViews[] = {
    {"full view",               {-2.0f, 1.0f, 1.5f, -1.5f},                 {1500, 1000, 1000, 400}},
    {"mostly inside",           {-1.25f, 0.25f, 0.6f, -0.6f},               {500, 500, 400, 200}},
    {"seahorse valley",         {-0.75f, -0.74f, 0.12f, 0.11f},             {300, 300, 300, 150}},
    {"cusp",                    {0.245f, 0.255f, 0.005f, -0.005f},          {300, 300, 300, 150}},
    {"period-3 bulb edge",      {-0.128f, -0.118f, 0.75f, 0.74f},           {300, 300, 300, 150}},
    {"antenna minibrot",        {-1.76f, -1.75f, 0.005f, -0.005f},          {300, 300, 300, 150}},
    {"period-2 bulb edge",      {-1.26f, -1.24f, 0.01f, -0.01f},            {300, 300, 300, 150}},
    {"seahorse, float limit",   {-0.74543f, -0.74540f, 0.11303f, 0.11300f}, {200, 200, 200, 100}},
    {"NaN left",                {kNaN, 1.0f, 1.5f, -1.5f},                  {20, 20, 20, 10}},
    {"infinite right",          {-2.0f, kInf, 1.5f, -1.5f},                 {20, 20, 20, 10}},
    {"infinite left and top",   {-kInf, 1.0f, kInf, -1.5f},                 {20, 20, 20, 10}},
    {"width overflows",         {-3e38f, 3e38f, 1.5f, -1.5f},               {20, 20, 20, 10}},
    {"subnormal",               {-kSubnormal, kSubnormal, kSubnormal, 0.0f}, {20, 20, 20, 10}},
    {"subnormal offset",        {0.25f, 0.25f + 1e-7f, 1e-38f, -1e-38f},    {20, 20, 20, 10}},
};
// clang-format on

// A fixed sequence of jitters in [0, 1), so that every run compares the
// same samples.
uint64_t nextRandom(uint64_t &state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}
float jitter(uint64_t &state) { return static_cast<float>(nextRandom(state) >> 40) * 0x1p-24f; }

struct Mismatch {
  float u, v, expected, actual;
};

// Shades `count` samples of `view` on a jittered grid, split over the
// machine's cores, and compares each result with the plain loop.
std::vector<Mismatch> compareView(const View &view, int32_t iterations, int64_t count, size_t *compared) {
  Plugin &mandelbrot = plugin("qzFractalMandelbrot");
  const auto columns = static_cast<int64_t>(std::max(1.0, std::sqrt(static_cast<double>(count))));
  const int64_t rows = (count + columns - 1) / columns;
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());

  std::mutex mutex;
  std::vector<Mismatch> mismatches;
  size_t total = 0;
  auto work = [&](unsigned thread) {
    HostRecords records;
    records.setGhostFlag(0);
    records.set<float>(0, view.rectangle.left);
    records.set<float>(4, view.rectangle.right);
    records.set<float>(8, view.rectangle.top);
    records.set<float>(12, view.rectangle.bottom);
    records.set<int32_t>(16, iterations);
    records.set<int32_t>(20, 0);
    records.setTextureSpaces({0.0f, 0.0f, 0.0f});
    std::vector<Mismatch> found;
    size_t done = 0;
    for (int64_t row = thread; row < rows; row += threads) {
      uint64_t random = static_cast<uint64_t>(row) * 0x100000001B3u + static_cast<uint64_t>(iterations);
      for (int64_t column = 0; column < columns; ++column, ++done) {
        const float u = (static_cast<float>(column) + jitter(random)) / static_cast<float>(columns);
        const float v = (static_cast<float>(row) + jitter(random)) / static_cast<float>(rows);
        records.moveTextureSpace0(u, v);
        float actual = -1.0f;
        mandelbrot.shade(&actual, records.state(), records.block());
        const float expected = plainMandelbrot(view.rectangle, iterations, u, v);
        if (std::memcmp(&actual, &expected, sizeof actual) != 0 && found.size() < 5)
          found.push_back(Mismatch{u, v, expected, actual});
      }
    }
    std::lock_guard lock(mutex);
    mismatches.insert(mismatches.end(), found.begin(), found.end());
    total += done;
  };
  std::vector<std::thread> pool;
  for (unsigned thread = 0; thread < threads; ++thread)
    pool.emplace_back(work, thread);
  for (std::thread &thread : pool)
    thread.join();
  *compared = total;
  return mismatches;
}

class MandelbrotEqualityTest : public ::testing::TestWithParam<size_t> {};

TEST_P(MandelbrotEqualityTest, ShortcutsNeverChangeAResult) {
  const size_t budget = GetParam();
  const int32_t iterations = kBudgets[budget];
  size_t samples = 0;
  for (const View &view : kViews) {
    size_t compared = 0;
    const std::vector<Mismatch> mismatches =
        compareView(view, iterations, int64_t{1000} * view.samples[budget], &compared);
    samples += compared;
    for (const Mismatch &m : mismatches)
      ADD_FAILURE() << view.name << " at " << iterations << " iterations, u = " << m.u << ", v = " << m.v
                    << ": plain loop " << m.expected << ", shader " << m.actual;
  }
  RecordProperty("samples", static_cast<int>(samples));
  std::cout << samples << " samples at " << iterations << " iterations\n";
}

INSTANTIATE_TEST_SUITE_P(Budgets, MandelbrotEqualityTest, ::testing::Range(size_t{0}, std::size(kBudgets)),
                         [](const ::testing::TestParamInfo<size_t> &param) {
                           return "Iterations" + std::to_string(kBudgets[param.param]);
                         });

} // namespace
