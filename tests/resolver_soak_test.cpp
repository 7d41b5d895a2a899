// Soak of the slot table itself: after each fresh miSetModuleHandle, threads
// race their first calls through every one of the 690 entries in different
// orders. Each call must get its own entry's address in the current module,
// and afterwards every slot must hold exactly that: none lost, none torn,
// none left over from the previous module.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "binding_table.h"
#include "round_barrier.h"
#include "scripted_platform.h"
#include "stderr_capture.h"

namespace {

using qztest::scriptedLoader;

// The address the module `round` gives entry `slot`: distinct for every
// slot and every module, with bits set in both halves of the word.
void *addressIn(unsigned round, unsigned slot) {
  return reinterpret_cast<void *>(uintptr_t{0x5EED000000000000u} | (uintptr_t{round + 1} << 24) | (slot << 4));
}

TEST(ResolverSoak, RacingFirstCallsFillEverySlotWithItsOwnAddress) {
  constexpr unsigned kThreads = 8, kRounds = 200;
  qztest::StderrCapture diagnostics;
  std::atomic<unsigned> round{0};
  std::atomic<long> wrong{0};
  qztest::RoundBarrier roundEdge(kThreads + 1);

  std::vector<std::thread> threads;
  for (unsigned t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (unsigned r = 0; r < kRounds; ++r) {
        roundEdge.arriveAndWait(); // the module of round r is in place
        // Each thread walks the table from its own starting slot, half of
        // them backwards, so every slot sees first calls race.
        for (unsigned step = 0; step < kQzhbEntryCount; ++step) {
          const unsigned offset = (t * 89 + step) % kQzhbEntryCount;
          const unsigned slot = t % 2 ? kQzhbEntryCount - 1 - offset : offset;
          if (qzhbBoundAddress(slot) != addressIn(round.load(std::memory_order_relaxed), slot))
            wrong.fetch_add(1);
        }
        roundEdge.arriveAndWait(); // nobody is inside the layer
      }
    });

  long leftOver = 0;
  for (unsigned r = 0; r < kRounds; ++r) {
    // Between rounds no thread is inside the layer, as the hand-over needs.
    scriptedLoader() = {};
    for (unsigned slot = 0; slot < kQzhbEntryCount; ++slot)
      scriptedLoader().exports[qzhbEntryName(slot)] = addressIn(r, slot);
    round.store(r, std::memory_order_relaxed);
    miSetModuleHandle(reinterpret_cast<void *>(uintptr_t{0x10000} * (r + 1)));
    roundEdge.arriveAndWait();
    roundEdge.arriveAndWait();
    for (unsigned slot = 0; slot < kQzhbEntryCount; ++slot)
      if (qzhbSlotTable[slot].load() != addressIn(r, slot))
        ++leftOver;
    // Every entry was looked up at least once and at most once per thread.
    EXPECT_GE(scriptedLoader().lookups.size(), kQzhbEntryCount);
    EXPECT_LE(scriptedLoader().lookups.size(), kQzhbEntryCount * kThreads);
  }
  for (std::thread &thread : threads)
    thread.join();

  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(leftOver, 0);
  EXPECT_EQ(diagnostics.take(), "");
}

} // namespace
