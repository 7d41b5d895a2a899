// The resolution procedure of the binding layer, driven through a scripted
// loader so that every lookup and any handle value can be observed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "binding_table.h"
#include "scripted_platform.h"
#include "stderr_capture.h"

namespace {

using qztest::scriptedLoader;

void *fakeAddress(uintptr_t value) { return reinterpret_cast<void *>(value); }

class ResolverTest : public ::testing::Test {
protected:
  void SetUp() override {
    scriptedLoader() = {};
    miSetModuleHandle(fakeAddress(0x7000));
  }
  qztest::StderrCapture stderrCapture;
};

std::string failureLine(const std::string &name, const std::string &handleDigits, int code) {
  return "dlsym failed on \"" + name + "\" (handle: " + handleDigits + " error: " + std::to_string(code) + ")\n";
}

TEST_F(ResolverTest, HandlePrintsAsItsLow32BitsInEightLowerCaseDigits) {
  struct Case {
    uintptr_t handle;
    const char *digits;
  };
  for (const Case &c :
       {Case{0x1234567800400000u, "00400000"}, Case{0x1A2B3C4Du, "1a2b3c4d"}, Case{0xFFFFFFFF00000001u, "00000001"}}) {
    miSetModuleHandle(fakeAddress(c.handle));
    scriptedLoader().errorCode = 42;
    EXPECT_EQ(qzhbResolve(qzhbSlot_mi_phen_eval), nullptr);
    EXPECT_EQ(stderrCapture.take(), failureLine("mi_phen_eval", c.digits, 42));
  }
}

TEST_F(ResolverTest, NoHandleReportsFirstAndStillLooksUpWithNull) {
  miSetModuleHandle(nullptr);
  EXPECT_EQ(qzhbResolve(0), nullptr);
  EXPECT_EQ(stderrCapture.take(), "DYNLOAD: dl_handle null\n" + failureLine("mi_scene_book_get_line", "00000000", 127));
  ASSERT_EQ(scriptedLoader().lookups.size(), 1u);
  EXPECT_EQ(scriptedLoader().lookups[0].first, nullptr);

  // Without a handle, a name the loader's default scope does find binds
  // silently after the first message.
  scriptedLoader().exports["mi_phen_eval"] = fakeAddress(0x5000);
  EXPECT_EQ(qzhbResolve(qzhbSlot_mi_phen_eval), fakeAddress(0x5000));
  EXPECT_EQ(stderrCapture.take(), "DYNLOAD: dl_handle null\n");
}

TEST_F(ResolverTest, BoundEntryIsNotLookedUpAgainUntilNewHandle) {
  scriptedLoader().exports["mi_phen_eval"] = fakeAddress(0xA000);
  EXPECT_EQ(qzhbBoundAddress(qzhbSlot_mi_phen_eval), fakeAddress(0xA000));
  EXPECT_EQ(qzhbBoundAddress(qzhbSlot_mi_phen_eval), fakeAddress(0xA000));
  EXPECT_EQ(qzhbBoundAddress(qzhbSlot_mi_phen_eval), fakeAddress(0xA000));
  EXPECT_EQ(scriptedLoader().lookups.size(), 1u);
  EXPECT_EQ(stderrCapture.take(), "");

  // A new handle empties the table; the next call looks up in the new module.
  scriptedLoader().exports["mi_phen_eval"] = fakeAddress(0xB000);
  miSetModuleHandle(fakeAddress(0x8000));
  EXPECT_EQ(qzhbBoundAddress(qzhbSlot_mi_phen_eval), fakeAddress(0xB000));
  ASSERT_EQ(scriptedLoader().lookups.size(), 2u);
  EXPECT_EQ(scriptedLoader().lookups[1], std::make_pair(fakeAddress(0x8000), std::string("mi_phen_eval")));
}

TEST_F(ResolverTest, MissingNameIsLookedUpAndReportedOnEveryCall) {
  for (int call = 0; call < 3; ++call)
    EXPECT_EQ(qzhbBoundAddress(qzhbSlot_mi_phen_eval), nullptr);
  EXPECT_EQ(scriptedLoader().lookups.size(), 3u);
  const std::string line = failureLine("mi_phen_eval", "00007000", 127);
  EXPECT_EQ(stderrCapture.take(), line + line + line);
  EXPECT_EQ(qzhbSlotTable[qzhbSlot_mi_phen_eval].load(), nullptr);
}

TEST_F(ResolverTest, EachEntryFillsOnlyItsOwnSlotAndNewHandleEmptiesAll) {
  for (unsigned slot : {0u, 100u, 254u, 689u})
    scriptedLoader().exports[qzhbEntryName(slot)] = fakeAddress(0x100000 + slot);
  EXPECT_EQ(qzhbResolve(254), fakeAddress(0x100000 + 254));
  for (unsigned slot = 0; slot < kQzhbEntryCount; ++slot)
    EXPECT_EQ(qzhbSlotTable[slot].load() != nullptr, slot == 254) << slot;

  for (unsigned slot : {0u, 100u, 689u})
    qzhbResolve(slot);
  miSetModuleHandle(fakeAddress(0x9000));
  for (unsigned slot = 0; slot < kQzhbEntryCount; ++slot)
    EXPECT_EQ(qzhbSlotTable[slot].load(), nullptr) << slot;
}

TEST(EntryNames, FollowTheListInSlotOrder) {
  EXPECT_STREQ(qzhbEntryName(0), "mi_scene_book_get_line");
  EXPECT_STREQ(qzhbEntryName(100), "mi_phen_eval");
  EXPECT_STREQ(qzhbEntryName(254), "mi_query");
  EXPECT_STREQ(qzhbEntryName(689), "mi_api_get_reload_limit");
  EXPECT_EQ(qzhbSlot_mi_phen_eval, 100u);
}

} // namespace
