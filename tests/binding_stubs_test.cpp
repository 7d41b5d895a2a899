// The binding functions inside a plug-in, reached through the probe plug-in
// and answered by the recording host: every entry reaches its own host
// function with its arguments bit for bit and hands back its result, on the
// first call (slow path, with a lookup that clobbers every volatile register)
// and on later calls (fast path); lookups, slots and failures.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <latch>
#include <thread>
#include <utility>
#include <vector>

#include "binding_probe.h"
#include "dynamic_library.h"
#include "host_entries.h"
#include "stderr_capture.h"

namespace {

using namespace qztest;

// A call of a fixed entry with the list's parameter classes and the values
// that host_entries.h assigns to its places; gives the result's bits. Only
// the call itself is generated per entry, as a function of its own reached
// through a table; what the tests expect is worked out at run time from the
// entry's line. (Expanded inline, the 690 entries made one test body so large
// that each sanitizer build spent minutes compiling it.)
template <unsigned Slot, FixedString Classes, typename = std::make_index_sequence<kParameterCount<Classes>>>
struct ListCall;

template <unsigned Slot, FixedString Classes, size_t... I> struct ListCall<Slot, Classes, std::index_sequence<I...>> {
  using Function = ResultType<resultKindOf(kHostEntries[Slot])> (*)(ClassType<Classes[I]>...);

  static uint64_t call(const BindingProbe &probe) {
    return bitsOf(probe.binding<Function>(Slot)(argumentFor<Classes[I]>(Slot, I)...));
  }
};

uint64_t argumentBits(char parameterClass, unsigned slot, size_t position) {
  switch (parameterClass) {
  case 'p':
    return bitsOf(argumentFor<'p'>(slot, position));
  case 'i':
    return bitsOf(argumentFor<'i'>(slot, position));
  case 'h':
    return bitsOf(argumentFor<'h'>(slot, position));
  case 'c':
    return bitsOf(argumentFor<'c'>(slot, position));
  case 'f':
    return bitsOf(argumentFor<'f'>(slot, position));
  case 'd':
    return bitsOf(argumentFor<'d'>(slot, position));
  case 'l':
    return bitsOf(argumentFor<'l'>(slot, position));
  }
  ADD_FAILURE() << "unknown parameter class " << parameterClass;
  return 0;
}

// The arguments' bits that the host must receive from a ListCall of `entry`.
std::vector<uint64_t> expectedArgumentBits(const HostEntry &entry) {
  std::vector<uint64_t> bits;
  if (classesKnown(entry.classes))
    for (size_t position = 0; position < entry.classes.size(); ++position)
      bits.push_back(argumentBits(entry.classes[position], entry.slot, position));
  return bits;
}

uint64_t expectedResultBits(const HostEntry &entry) {
  switch (resultKindOf(entry)) {
  case ResultKind::Int:
    return bitsOf(resultFor<ResultKind::Int>(entry.slot));
  case ResultKind::Word:
    return bitsOf(resultFor<ResultKind::Word>(entry.slot));
  case ResultKind::Float:
    return bitsOf(resultFor<ResultKind::Float>(entry.slot));
  case ResultKind::Double:
    return bitsOf(resultFor<ResultKind::Double>(entry.slot));
  }
  return 0;
}

std::vector<uint64_t> recordedBits(const CallRecord &record) {
  return {record.bits, record.bits + record.argumentCount};
}

// Two entries answer with the tests' own prototypes (see recording_host_slots.h).
constexpr bool ownPrototype(unsigned slot) { return slot == QZTEST_ECHO_SLOT || slot == QZTEST_VARIADIC_CALLER_SLOT; }

uint64_t callEcho(const BindingProbe &probe, uint64_t seed) {
  return probe.binding<EchoFunction>(QZTEST_ECHO_SLOT)(seed, static_cast<double>(seed), seed + 1, seed + 2, seed + 3,
                                                       seed + 4, seed + 5, ~seed, static_cast<float>(seed));
}

uint64_t expectedEcho(uint64_t seed) {
  return echoOf(seed, static_cast<double>(seed), seed + 1, seed + 2, seed + 3, seed + 4, seed + 5, ~seed,
                static_cast<float>(seed));
}

using VariadicCaller = uint64_t (*)(int count, ...);

// One call of any entry, with arguments it accepts; gives the result's bits.
template <unsigned Slot, FixedString Classes> uint64_t callFixedEntry(const BindingProbe &probe) {
  if constexpr (Slot == QZTEST_ECHO_SLOT)
    return callEcho(probe, 1);
  else if constexpr (Slot == QZTEST_VARIADIC_CALLER_SLOT)
    return probe.binding<VariadicCaller>(Slot)(1, 0.5);
  else
    return ListCall<Slot, Classes>::call(probe);
}

template <unsigned Slot, FixedString Classes> uint64_t callVariadicEntry(const BindingProbe &probe) {
  constexpr std::string_view classes = Classes.view();
  if constexpr (classes == "p")
    return bitsOf(probe.binding<int32_t (*)(const char *, ...)>(Slot)("lookup"));
  else if constexpr (classes == "ip")
    return bitsOf(probe.binding<int32_t (*)(int32_t, const char *, ...)>(Slot)(1, "lookup"));
  else if constexpr (classes == "pi")
    return probe.binding<uint64_t (*)(uint64_t, int32_t, ...)>(Slot)(0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
  else if constexpr (classes == "ii")
    return probe.binding<uint64_t (*)(int32_t, int32_t, ...)>(Slot)(0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
  else if constexpr (classes == "i")
    return probe.binding<uint64_t (*)(int32_t, ...)>(Slot)(0, 1, 2, 3, 4, 5, 6, 7, 8);
  else
    return bitsOf(probe.binding<int32_t (*)(int32_t, uint64_t, int32_t, uint64_t, ...)>(Slot)(0, 0, 0, 0));
}

using EntryCaller = uint64_t (*)(const BindingProbe &);
const EntryCaller kCallEntry[] = {
#define QZHB_FIXED(slot, name, classes) &callFixedEntry<slot, classes>,
#define QZHB_VARIADIC(slot, name, classes) &callVariadicEntry<slot, classes>,
#include "host_entries.def"
#undef QZHB_FIXED
#undef QZHB_VARIADIC
};
static_assert(std::size(kCallEntry) == kHostEntryCount);

class BindingStubs : public ::testing::Test {
protected:
  void SetUp() override {
    host.reset();
    probe.setModuleHandle(host.library.handle());
    probe.clearLookups();
  }
  std::vector<void *> slots() const {
    std::vector<void *> all(kHostEntryCount);
    for (unsigned k = 0; k < kHostEntryCount; ++k)
      all[k] = probe.slot(k);
    return all;
  }
  void *hostAddress(unsigned slot) const {
    return host.library.rawSymbol(std::string(kHostEntries[slot].name).c_str());
  }

  BindingProbe &probe = bindingProbe();
  RecordingHostModule &host = recordingHost();
};

// Calls every entry twice: the first call binds it (slow path), the second
// goes straight through. Both must deliver the same arguments and result.
TEST_F(BindingStubs, EveryFixedEntryReachesItsOwnHostFunctionUnchangedOnBothPaths) {
  for (const HostEntry &entry : kHostEntries) {
    if (entry.variadic || ownPrototype(entry.slot))
      continue;
    const std::vector<uint64_t> expectedArguments = expectedArgumentBits(entry);
    for (unsigned call = 1; call <= 2; ++call) {
      EXPECT_EQ(kCallEntry[entry.slot](probe), expectedResultBits(entry)) << entry.name << ", call " << call;
      const CallRecord &record = *host.record(entry.slot);
      EXPECT_EQ(record.calls, call) << entry.name;
      EXPECT_EQ(recordedBits(record), expectedArguments) << entry.name << " (" << entry.classes << "), call " << call;
    }
  }
  // Each host function was called by its own entry only.
  for (const HostEntry &entry : kHostEntries)
    EXPECT_EQ(host.record(entry.slot)->calls, entry.variadic || ownPrototype(entry.slot) ? 0u : 2u) << entry.name;
}

// Values whose bits a conversion, a sign extension or a narrowing would
// change: NaN payloads, negative zero, denormals, top bits of 8 and 16 bits.
TEST_F(BindingStubs, ParticularEntriesPassEdgeValuesBitForBit) {
  const auto expectRecorded = [&](const char *name, std::vector<uint64_t> bits) {
    EXPECT_EQ(recordedBits(*host.record(slotOf(name))), bits) << name;
  };
  using Word = uint64_t;
  for (const uint32_t bits : {0x80000000u, 0x7FC12345u, 0x7F812345u, 0x00000001u}) {
    probe.binding<float (*)(float)>(slotOf("mi_noise_1d"))(std::bit_cast<float>(bits));
    expectRecorded("mi_noise_1d", {bits});
  }
  for (const uint64_t bits : {0x7FF4000000000001u, 0x8000000000000000u, 0x000FFFFFFFFFFFFFu}) {
    probe.binding<double (*)(double)>(slotOf("mi_api_object_group_begin"))(std::bit_cast<double>(bits));
    expectRecorded("mi_api_object_group_begin", {bits});
  }
  probe.binding<Word (*)(Word, Word, Word, uint16_t, Word)>(slotOf("mi_sample"))(1, 2, 3, 0xFFFF, 5);
  expectRecorded("mi_sample", {1, 2, 3, 0xFFFF, 5});
  probe.binding<int32_t (*)(int32_t, uint8_t, int32_t)>(slotOf("mi_api_hair_info"))(-1, 0xFF, -2);
  expectRecorded("mi_api_hair_info", {0xFFFFFFFF, 0xFF, 0xFFFFFFFE});
  probe.binding<Word (*)(Word, Word, uint8_t, Word)>(slotOf("mi_compute_avg_radiance"))(~Word{0}, 0, 0x80, 7);
  expectRecorded("mi_compute_avg_radiance", {~Word{0}, 0, 0x80, 7});
  probe.binding<Word (*)(Word, int32_t, int32_t, uint16_t, uint16_t, Word)>(slotOf("mi_api_basis_add"))(
      1, -3, 4, 0x8001, 0xFFFE, 6);
  expectRecorded("mi_api_basis_add", {1, 0xFFFFFFFD, 4, 0x8001, 0xFFFE, 6});
  for (const char *name : {"mi_lock", "mi_trylock", "mi_unlock"}) {
    probe.binding<Word (*)(LockRecord)>(slotOf(name))(LockRecord{{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xF8}});
    expectRecorded(name, {0xF807060504030201u});
  }
  probe.binding<Word (*)(int32_t, double)>(slotOf("mi_api_vertex_ref_add"))(-7, -0.0);
  expectRecorded("mi_api_vertex_ref_add", {0xFFFFFFF9, 0x8000000000000000u});
  probe.binding<double (*)(Word, int32_t, Word, Word, Word, Word, Word, Word, Word, double, int32_t, Word, Word)>(
      slotOf("mi_geomo_blend_surfaces"))(1, 2, 3, 4, 5, 6, 7, 8, 9, 10.5, 11, 12, 13);
  expectRecorded("mi_geomo_blend_surfaces", {1, 2, 3, 4, 5, 6, 7, 8, 9, std::bit_cast<uint64_t>(10.5), 11, 12, 13});
  probe.binding<Word (*)(int32_t, Word, Word, Word, Word, Word, Word, int32_t, Word, int32_t, int32_t, int32_t)>(
      slotOf("mi_img_custom_format"))(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, -12);
  expectRecorded("mi_img_custom_format", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xFFFFFFF4});
}

// Under System V, al tells a variadic callee how many vector registers carry
// values. The host thunk of this entry has an address whose low byte is 0, so
// a slow path that leaked the looked-up address into rax would say "none".
TEST_F(BindingStubs, VariadicCallThroughAStubKeepsItsVectorRegisterCount) {
  ASSERT_EQ(reinterpret_cast<uintptr_t>(hostAddress(QZTEST_VARIADIC_CALLER_SLOT)) & 0xFF, 0u);
  const auto call = probe.binding<VariadicCaller>(QZTEST_VARIADIC_CALLER_SLOT);
  for (unsigned round = 1; round <= 2; ++round) {
    EXPECT_EQ(call(3, 1.25, -2.5, 1e300), resultFor<ResultKind::Word>(QZTEST_VARIADIC_CALLER_SLOT));
    EXPECT_EQ(recordedBits(*host.record(QZTEST_VARIADIC_CALLER_SLOT)),
              (std::vector<uint64_t>{bitsOf(1.25), bitsOf(-2.5), bitsOf(1e300)}))
        << "call " << round;
  }
}

// The binding functions lie in the code in slot order, the variadic entries'
// included, as the names lie in the constant data.
TEST_F(BindingStubs, BindingFunctionsLieInTheCodeInSlotOrder) {
  for (unsigned slot = 1; slot < kHostEntryCount; ++slot)
    EXPECT_LT(reinterpret_cast<uintptr_t>(probe.bindingFunction(slot - 1)),
              reinterpret_cast<uintptr_t>(probe.bindingFunction(slot)))
        << kHostEntries[slot].name;
}

TEST_F(BindingStubs, FirstCallLooksUpOnlyItsOwnNameAndFillsOnlyItsOwnSlot) {
  for (const HostEntry &entry : kHostEntries) {
    const std::vector<void *> before = slots();
    probe.clearLookups();
    kCallEntry[entry.slot](probe);
    ASSERT_EQ(probe.lookupCount(), 1u) << entry.name;
    EXPECT_EQ(probe.lookupName(0), entry.name);
    EXPECT_EQ(probe.lookupHandle(0), host.library.handle());
    std::vector<void *> expected = before;
    expected[entry.slot] = hostAddress(entry.slot);
    ASSERT_NE(expected[entry.slot], nullptr);
    EXPECT_EQ(slots(), expected) << entry.name;

    kCallEntry[entry.slot](probe);
    EXPECT_EQ(probe.lookupCount(), 1u) << entry.name << ": a bound entry looked up again";
  }
}

TEST_F(BindingStubs, NewModuleHandleEmptiesEverySlot) {
  for (const HostEntry &entry : kHostEntries)
    kCallEntry[entry.slot](probe);
  ASSERT_NE(probe.slot(0), nullptr);
  ASSERT_NE(probe.slot(kHostEntryCount - 1), nullptr);

  probe.setModuleHandle(host.library.handle());
  EXPECT_EQ(slots(), std::vector<void *>(kHostEntryCount, nullptr));

  // Every entry is looked up anew, the last one included.
  probe.clearLookups();
  kCallEntry[kHostEntryCount - 1](probe);
  ASSERT_EQ(probe.lookupCount(), 1u);
  EXPECT_EQ(probe.lookupName(0), kHostEntries[kHostEntryCount - 1].name);
}

struct TwoWords {
  uint64_t first, second; // returned in rax and rdx (System V)
};
struct TwoDoubles {
  double first, second; // returned in xmm0 and xmm1 (System V)
};

std::string failureLine(const std::string &name, void *handle) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle)));
  return "dlsym failed on \"" + name + "\" (handle: " + digits + " error: 127)\n";
}

// A host module that lacks the names: every call reports, returns zero in
// whatever result registers the caller reads, and leaves the slot empty.
TEST_F(BindingStubs, MissingNameIsReportedOnEveryCallAndReturnsZero) {
  DynamicLibrary empty(testHostPath("qztest_host_empty"));
  ASSERT_TRUE(empty.loaded()) << empty.error();
  probe.setModuleHandle(empty.handle());
  StderrCapture stderrCapture;
  const unsigned slot = slotOf("mi_spectrum_size");
  const std::string line = failureLine("mi_spectrum_size", empty.handle());

  for (int call = 0; call < 2; ++call) {
#if defined(_WIN32)
    // Win64 returns in rax or xmm0 alone; a 16-byte record goes through memory.
    EXPECT_EQ(probe.binding<uint64_t (*)(uint64_t, uint64_t)>(slot)(~0ull, ~0ull), 0u);
    EXPECT_EQ(bitsOf(probe.binding<double (*)(double, double)>(slot)(1.5, 2.5)), 0u);
#else
    const TwoWords words = probe.binding<TwoWords (*)(uint64_t, uint64_t)>(slot)(~0ull, ~0ull);
    EXPECT_EQ(words.first, 0u);
    EXPECT_EQ(words.second, 0u);
    const TwoDoubles doubles = probe.binding<TwoDoubles (*)(double, double)>(slot)(1.5, 2.5);
    EXPECT_EQ(bitsOf(doubles.first), 0u);
    EXPECT_EQ(bitsOf(doubles.second), 0u);
#endif
    EXPECT_EQ(bitsOf(probe.binding<float (*)(float)>(slot)(3.5f)), 0u);
    EXPECT_EQ(probe.slot(slot), nullptr);
  }
  EXPECT_EQ(stderrCapture.take(), line + line + line + line + line + line);

  // The variadic entries behave alike, and a message is still formatted.
  EXPECT_EQ(probe.binding<int32_t (*)(int32_t, uint64_t, int32_t, uint64_t, ...)>(slotOf("mi_query"))(15, 0, 0, 0, 1),
            0);
  EXPECT_EQ(probe.binding<uint64_t (*)(int32_t, ...)>(slotOf("mi_scene_growedit"))(0, 1, 2, 3, 4, 5, 6, 7, 8), 0u);
  EXPECT_EQ(probe.binding<int32_t (*)(const char *, ...)>(slotOf("mi_info"))("%s", "text"), 0);
  EXPECT_EQ(stderrCapture.take(), failureLine("mi_query", empty.handle()) +
                                      failureLine("mi_scene_growedit", empty.handle()) +
                                      failureLine("mi_info", empty.handle()));
}

// Threads released together on one empty slot all take the slow path at
// once; each must get its own arguments through, and the slot ends bound.
TEST_F(BindingStubs, ThreadsReleasedTogetherOnOneUnresolvedStub) {
  constexpr unsigned kThreads = 8;
  constexpr unsigned kRounds = 25;
  StderrCapture stderrCapture;
  for (unsigned round = 0; round < kRounds; ++round) {
    probe.setModuleHandle(host.library.handle());
    probe.clearLookups();
    std::latch start(kThreads);
    std::vector<int> wrong(kThreads, 0);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        const uint64_t seed = argumentSeed(round, t);
        start.arrive_and_wait();
        for (int call = 0; call < 20; ++call)
          wrong[t] += callEcho(probe, seed + call) != expectedEcho(seed + call);
      });
    for (std::thread &thread : threads)
      thread.join();
    EXPECT_EQ(wrong, std::vector<int>(kThreads, 0)) << "round " << round;
    EXPECT_GE(probe.lookupCount(), 1u);
    EXPECT_LE(probe.lookupCount(), kThreads);
    EXPECT_EQ(probe.slot(QZTEST_ECHO_SLOT), hostAddress(QZTEST_ECHO_SLOT));
  }
  EXPECT_EQ(stderrCapture.take(), "");
}

} // namespace
