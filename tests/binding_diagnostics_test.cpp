// The binding layer inside a real plug-in, against the platform's own
// loader: its diagnostics on standard error, module switching, and threads
// racing for the first lookup. Each scenario runs in a fresh child process,
// so the plug-in starts as a host first loads it: no handle, empty slots.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <latch>
#include <regex>
#include <thread>
#include <vector>

#include "child_process.h"
#include "host_fixture.h"

namespace {

using namespace qztest;

// One sample of the full view with only `iterations` (byte 16) connected:
// the call must go through mi_phen_eval.
struct ConnectedSample {
  ConnectedSample() {
    fillMandelbrotFullView(records, 0);
    records.setTextureSpaces({1.0f, 0.5f, 0.0f}); // escapes at n = 4
    records.connect({16});
    recorder.answer<int32_t>(16, 100);
  }
  float shade(Plugin &mandelbrot) {
    float result = -1.0f;
    if (mandelbrot.shade(&result, records.state(), records.block()) != 1)
      return -2.0f;
    return result;
  }
  HostRecords records;
  RecordingHost recorder{records};
};

std::string handleDigits(void *handle) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle)));
  return digits;
}

#if defined(_WIN32)
constexpr int kMissingNameCode = 127; // ERROR_PROC_NOT_FOUND
#else
constexpr int kMissingNameCode = 127; // the number the layer reports for dlsym
#endif

QZ_CHILD_SCENARIO(no_handle) {
  Plugin &mandelbrot = plugin("qzFractalMandelbrot");
  StandInHost &host = standInHost(); // loaded, but never handed over
  ConnectedSample sample;
  host.setHandler(&RecordingHost::handle, &sample.recorder);
  return sample.shade(mandelbrot) == 0.0f ? 0 : 1;
}

TEST(BindingDiagnostics, FirstCallWithoutHandle) {
  const ChildResult child = runChildScenario("no_handle");
  EXPECT_EQ(child.exitCode, 0);
  // The lookup is still made with the null handle; the loader's default
  // scope does not hold the host's names, so both messages follow.
  EXPECT_TRUE(std::regex_match(child.standardError,
                               std::regex("DYNLOAD: dl_handle null\n"
                                          "dlsym failed on \"mi_phen_eval\" \\(handle: 00000000 error: -?[0-9]+\\)\n")))
      << child.standardError;
}

QZ_CHILD_SCENARIO(missing_name) {
  Plugin &mandelbrot = plugin("qzFractalMandelbrot");
  StandInHost &empty = standInHost("qztest_host_empty");
  mandelbrot.setModuleHandle(empty.library.handle());
  std::printf("%s", handleDigits(empty.library.handle()).c_str());
  ConnectedSample sample;
  for (int call = 0; call < 3; ++call)
    if (sample.shade(mandelbrot) != 0.0f)
      return 1;
  return 0;
}

TEST(BindingDiagnostics, MissingNameIsReportedOnEveryCall) {
  const ChildResult child = runChildScenario("missing_name");
  ASSERT_EQ(child.exitCode, 0) << child.standardError;
  const std::string line = "dlsym failed on \"mi_phen_eval\" (handle: " + child.standardOutput +
                           " error: " + std::to_string(kMissingNameCode) + ")\n";
  EXPECT_EQ(child.standardError, line + line + line);
}

QZ_CHILD_SCENARIO(switch_modules) {
  Plugin &mandelbrot = plugin("qzFractalMandelbrot");
  StandInHost &a = standInHost("qztest_host_a");
  StandInHost &b = standInHost("qztest_host_b");
  StandInHost &empty = standInHost("qztest_host_empty");
  ConnectedSample sample;
  a.setHandler(&RecordingHost::handle, &sample.recorder);
  b.setHandler(&RecordingHost::handle, &sample.recorder);

  mandelbrot.setModuleHandle(a.library.handle());
  sample.shade(mandelbrot);
  sample.shade(mandelbrot);
  const long aCalls = a.phenEvalCalls();
  mandelbrot.setModuleHandle(b.library.handle());
  sample.shade(mandelbrot);
  const long bCalls = b.phenEvalCalls();
  mandelbrot.setModuleHandle(empty.library.handle());
  const float withoutHost = sample.shade(mandelbrot);
  mandelbrot.setModuleHandle(a.library.handle());
  const float backOnA = sample.shade(mandelbrot);
  std::printf("%ld %ld %ld %g %g", aCalls, bCalls, a.phenEvalCalls(), withoutHost, backOnA);
  return 0;
}

TEST(BindingDiagnostics, SecondHandleSwitchesTheWholeLayer) {
  const ChildResult child = runChildScenario("switch_modules");
  ASSERT_EQ(child.exitCode, 0);
  // A answered twice, then B once; without a host the sample reads as
  // invalid (0); back on A, A answers again.
  EXPECT_EQ(child.standardOutput, "2 1 3 0 0.04");
  // Only the module without the name made a message, once.
  EXPECT_TRUE(std::regex_match(
      child.standardError, std::regex("dlsym failed on \"mi_phen_eval\" \\(handle: [0-9a-f]{8} error: [0-9]+\\)\n")))
      << child.standardError;
}

QZ_CHILD_SCENARIO(eight_threads) {
  Plugin &mandelbrot = plugin("qzFractalMandelbrot");
  StandInHost &host = standInHost();
  ConnectedSample sample;
  host.setHandler(&RecordingHost::handle, &sample.recorder);
  mandelbrot.setModuleHandle(host.library.handle());
  std::atomic<int> wrong{0};
  std::latch start(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&] {
      start.arrive_and_wait();
      for (int i = 0; i < 200; ++i) {
        float result = -1.0f;
        mandelbrot.shade(&result, sample.records.state(), sample.records.block());
        if (result != 0.04f)
          wrong.fetch_add(1);
      }
    });
  for (std::thread &thread : threads)
    thread.join();
  std::printf("%d %ld", wrong.load(), host.phenEvalCalls());
  return 0;
}

TEST(BindingDiagnostics, EightThreadsRacingForTheFirstLookup) {
  const ChildResult child = runChildScenario("eight_threads");
  ASSERT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.standardOutput, "0 1600");
  EXPECT_EQ(child.standardError, "");
}

} // namespace
