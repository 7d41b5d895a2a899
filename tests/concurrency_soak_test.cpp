// Soak: many threads shading through the real plug-ins, and calling a bound
// binding function through the probe plug-in, while others make the first
// calls after a fresh miSetModuleHandle of the same host module, round after
// round, for a bounded time. Every result must carry the bits that the same
// call gave when made alone, every connected parameter must reach the host
// exactly once, and the binding layer must stay silent.
// A lost slot shows as a parameter read as zero or as a diagnostic, a torn
// one as a crash; the tsan preset runs this under ThreadSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "binding_probe.h"
#include "host_fixture.h"
#include "round_barrier.h"
#include "stderr_capture.h"

namespace {

using namespace qztest;

// The three shaders and the probe, whose echo entry (nine arguments, one of
// them on the stack) goes through an assembly binding stub to the recording
// host.
enum PluginIndex { kMandelbrot, kSimple, kArea5, kProbe, kPluginCount };
const char *const kPluginNames[kProbe] = {"qzFractalMandelbrot", "qzFractalColorizerSimple", "qzFractalColorizerArea5"};
constexpr int kSamples = 64; // an 8 x 8 grid of texture coordinates

// Arguments of the echo entry for one sample: every bit pattern differs.
uint64_t echoSeedOf(int sample) { return 0x9E3779B97F4A7C15u * static_cast<uint64_t>(sample + 1); }

// One thread's host records and what its host answers. A shader runs on the
// thread that asked for it, so the stand-in host finds the asking thread's
// records through `current`.
struct Worker {
  Worker() {
    fillMandelbrotFullView(mandelbrot, 0);
    mandelbrot.set<float>(0, 7.0f); // junk: `left` is connected, the host says -2
    mandelbrot.connect({0, 16});    // left, iterations
    simple.connect({0});            // value: runs the Mandelbrot
    simple.set(4, Color{0.25f, 0.5f, 0.75f, 1.0f});
    simple.set(20, Color{0.0f, 0.0f, 1.0f, 1.0f});
    simple.set(36, Color{1.0f, 0.5f, 0.0f, 0.5f});
    area5.connect({0, 24}); // value, color0: answered by the host
    const float limits[] = {0.25f, 0.5f, 0.75f, 0.875f, 0.9375f};
    for (int k = 1; k <= 5; ++k)
      area5.set<float>(4 * k, limits[k - 1]);
    for (int k = 1; k <= 5; ++k)
      area5.set(24 + 16 * k, Color{0.2f * static_cast<float>(k), 1.0f - 0.2f * static_cast<float>(k), 0.5f, 1.0f});
  }

  void place(int sample) {
    const float u = static_cast<float>(sample % 8) / 7.0f, v = static_cast<float>(sample / 8) / 7.0f;
    mandelbrot.setTextureSpaces({u, v, 0.0f});
    simple.setTextureSpaces({u, v, 0.0f});
    area5Value = static_cast<float>(sample) / kSamples;
    echoSeed = echoSeedOf(sample);
  }

  HostRecords mandelbrot, simple, area5;
  const int32_t iterations = 100;
  const float left = -2.0f;
  const Color color0{0.125f, 0.25f, 0.375f, 1.0f};
  float area5Value = 0.0f;
  uint64_t echoSeed = 0;
  float mandelbrotOutput = 0.0f;
  long hostCalls = 0;

  static thread_local Worker *current;
};
thread_local Worker *Worker::current = nullptr;

void *answer(void *, void *state, void *param, int) {
  Worker &w = *Worker::current;
  ++w.hostCalls;
  const auto *address = static_cast<unsigned char *>(param);
  const auto *mandelbrot = static_cast<unsigned char *>(w.mandelbrot.block());
  if (address == mandelbrot + 0)
    return const_cast<float *>(&w.left);
  if (address == mandelbrot + 16)
    return const_cast<int32_t *>(&w.iterations);
  if (address == w.area5.block())
    return &w.area5Value;
  if (address == static_cast<unsigned char *>(w.area5.block()) + 24)
    return const_cast<Color *>(&w.color0);
  if (address == w.simple.block()) {
    // A nested shader: the Mandelbrot runs for the same state, with its own
    // record in the state while it runs.
    void *caller = w.simple.swapRunningShader(w.mandelbrot.shaderRecord());
    plugin(kPluginNames[kMandelbrot]).shade(&w.mandelbrotOutput, state, w.mandelbrot.block());
    w.simple.swapRunningShader(caller);
    return &w.mandelbrotOutput;
  }
  return nullptr; // reads as zero and shows as a wrong result
}

// What one call of one shader on one sample gives: the result's bits and the
// number of host calls it made.
struct Outcome {
  std::array<unsigned char, 16> bits{};
  long hostCalls = 0;
  bool operator==(const Outcome &) const = default;
};

// The shaders a thread may call, with the plug-ins each call goes through.
struct Job {
  std::vector<PluginIndex> plugins;
  std::function<void(Worker &, unsigned char *result)> shade;
};

std::vector<Job> jobs() {
  auto call = [](PluginIndex index, HostRecords Worker::*records) {
    return [index, records](Worker &w, unsigned char *result) {
      plugin(kPluginNames[index]).shade(result, (w.*records).state(), (w.*records).block());
    };
  };
  auto echo = [](Worker &w, unsigned char *result) {
    const uint64_t seed = w.echoSeed;
    const uint64_t echoed = bindingProbe().binding<EchoFunction>(QZTEST_ECHO_SLOT)(
        seed, static_cast<double>(seed), seed + 1, seed + 2, seed + 3, seed + 4, seed + 5, ~seed,
        static_cast<float>(seed));
    std::memcpy(result, &echoed, sizeof echoed);
  };
  return {{{kMandelbrot}, call(kMandelbrot, &Worker::mandelbrot)},
          {{kSimple, kMandelbrot}, call(kSimple, &Worker::simple)},
          {{kArea5}, call(kArea5, &Worker::area5)},
          {{kProbe}, echo}};
}

Outcome run(const Job &job, Worker &w, int sample) {
  w.place(sample);
  Outcome outcome;
  outcome.bits.fill(0xEE);
  const long before = w.hostCalls;
  job.shade(w, outcome.bits.data());
  outcome.hostCalls = w.hostCalls - before;
  return outcome;
}

bool uses(const Job &job, int pluginIndex) {
  return std::find(job.plugins.begin(), job.plugins.end(), pluginIndex) != job.plugins.end();
}

TEST(ConcurrencySoak, ShadingWhileOtherThreadsMakeFirstCallsAfterAFreshHandle) {
  constexpr int kSteadyThreads = 4, kFirstCallers = 4;
  constexpr int kMinimumRounds = 2 * kPluginCount; // every module is handed over at least twice
  constexpr auto kBudget = std::chrono::seconds(2);

  StandInHost &host = standInHost();
  host.setHandler(&answer, nullptr);
  auto handOverModule = [&](int index) {
    if (index == kProbe)
      bindingProbe().setModuleHandle(recordingHost().library.handle());
    else
      plugin(kPluginNames[index]).setModuleHandle(host.library.handle());
  };
  for (int index = 0; index < kPluginCount; ++index)
    handOverModule(index);

  // Every sample of every job, shaded alone first.
  const std::vector<Job> allJobs = jobs();
  std::vector<std::vector<Outcome>> expected(allJobs.size());
  {
    Worker alone;
    Worker::current = &alone;
    for (size_t j = 0; j < allJobs.size(); ++j)
      for (int s = 0; s < kSamples; ++s)
        expected[j].push_back(run(allJobs[j], alone, s));
  }
  // The grid holds samples inside the set (0) and outside it, so a host
  // answer read as zero would change the picture.
  const Outcome inside{};
  const auto insideCount = std::count_if(expected[0].begin(), expected[0].end(), [&](const Outcome &o) {
    return std::memcmp(o.bits.data(), inside.bits.data(), 4) == 0;
  });
  ASSERT_GT(insideCount, 0);
  ASSERT_LT(insideCount, kSamples);
  // The echo went through the stub whole.
  for (int s = 0; s < kSamples; ++s) {
    const uint64_t seed = echoSeedOf(s);
    const uint64_t echoed = echoOf(seed, static_cast<double>(seed), seed + 1, seed + 2, seed + 3, seed + 4, seed + 5,
                                   ~seed, static_cast<float>(seed));
    ASSERT_EQ(std::memcmp(expected[kProbe][static_cast<size_t>(s)].bits.data(), &echoed, sizeof echoed), 0) << s;
  }

  StderrCapture diagnostics;
  std::atomic<int> rebound{0}; // the plug-in handed the module this round
  std::atomic<bool> keepGoing{true};
  std::atomic<int> firstCallersDone{0};
  std::atomic<long> wrong{0}, calls{0};
  RoundBarrier roundEdge(kSteadyThreads + kFirstCallers + 1);
  RoundBarrier handOver(kFirstCallers + 1); // the module is handed over: first calls may start

  auto check = [&](size_t j, Worker &w, int s) {
    if (run(allJobs[j], w, s) != expected[j][static_cast<size_t>(s)])
      wrong.fetch_add(1);
    calls.fetch_add(1);
  };
  // Steady threads keep shading with the plug-ins that are not handed the
  // module this round, before, during and after the hand-over.
  auto steady = [&](int id) {
    Worker w;
    Worker::current = &w;
    for (int s = id;;) {
      roundEdge.arriveAndWait();
      if (!keepGoing.load())
        return;
      const int busy = rebound.load();
      do {
        for (size_t j = 0; j < allJobs.size(); ++j)
          if (!uses(allJobs[j], busy))
            check(j, w, s);
        s = (s + 7) % kSamples;
      } while (firstCallersDone.load() < kFirstCallers);
      roundEdge.arriveAndWait();
    }
  };
  // First callers wait for the hand-over, then all shade with that plug-in
  // at once: each of them may be the one whose call fills the slot.
  auto firstCaller = [&](int id) {
    Worker w;
    Worker::current = &w;
    for (;;) {
      roundEdge.arriveAndWait();
      if (!keepGoing.load())
        return;
      handOver.arriveAndWait();
      const int busy = rebound.load();
      for (int step = 0; step < kSamples; ++step)
        for (size_t j = 0; j < allJobs.size(); ++j)
          if (uses(allJobs[j], busy))
            check(j, w, (id * 16 + step) % kSamples);
      firstCallersDone.fetch_add(1);
      roundEdge.arriveAndWait();
    }
  };

  std::vector<std::thread> threads;
  for (int t = 0; t < kSteadyThreads; ++t)
    threads.emplace_back(steady, t);
  for (int t = 0; t < kFirstCallers; ++t)
    threads.emplace_back(firstCaller, t);

  const auto start = std::chrono::steady_clock::now();
  int rounds = 0;
  for (; rounds < kMinimumRounds || std::chrono::steady_clock::now() - start < kBudget; ++rounds) {
    rebound.store(rounds % kPluginCount);
    firstCallersDone.store(0);
    roundEdge.arriveAndWait(); // round starts: steady threads shade
    // No thread is inside this plug-in now; the others keep shading.
    handOverModule(rounds % kPluginCount);
    handOver.arriveAndWait();
    roundEdge.arriveAndWait(); // round ends: nobody is inside a plug-in
  }
  keepGoing.store(false);
  roundEdge.arriveAndWait();
  for (std::thread &thread : threads)
    thread.join();

  std::printf("%d rounds, %ld calls checked\n", rounds, calls.load());
  RecordProperty("rounds", rounds);
  RecordProperty("callsChecked", std::to_string(calls.load()));
  EXPECT_EQ(wrong.load(), 0) << "of " << calls.load() << " calls";
  EXPECT_EQ(diagnostics.take(), "");
}

} // namespace
