// The sixteen variadic binding functions, called with the prototypes that
// qzfractal/host_functions.h gives shader code, against the recording host:
// which values of the list each passes on, in which order and width, and
// what text the message functions hand over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding_probe.h"
#include "host_entries.h"
#include "qzfractal/host_functions.h"

namespace {

using namespace qztest;

constexpr uint64_t kWord = 0xFEDCBA9876543210u; // a 64-bit value: both halves count
constexpr int32_t kInts[] = {-1, 2, -3, 4, 0x7FFFFFFF, INT32_MIN, 7, -8};

class VariadicBindings : public ::testing::Test {
protected:
  void SetUp() override {
    host.reset();
    probe.setModuleHandle(host.library.handle());
  }
  const CallRecord &record(const char *name) const { return *host.record(slotOf(name)); }

  BindingProbe &probe = bindingProbe();
  RecordingHostModule &host = recordingHost();
};

// What the host received in its places from `first` on, for a row of widths
// ('p' a 64-bit value, 'i' a 32-bit integer, whose upper half the calling
// convention leaves open), against the values the test passed in that order.
void expectTaken(const CallRecord &record, size_t first, std::string_view widths, const std::vector<uint64_t> &values,
                 const std::string &what) {
  ASSERT_EQ(widths.size(), values.size());
  for (size_t k = 0; k < widths.size(); ++k) {
    const uint64_t received = record.bits[first + k];
    if (widths[k] == 'p')
      EXPECT_EQ(received, values[k]) << what << ", value " << k;
    else
      EXPECT_EQ(static_cast<uint32_t>(received), static_cast<uint32_t>(values[k])) << what << ", value " << k;
  }
}

std::vector<uint64_t> intsThen(std::vector<uint64_t> lead, size_t count) {
  for (size_t k = 0; k < count; ++k)
    lead.push_back(static_cast<uint32_t>(kInts[k]));
  return lead;
}

// Table A. Each row's values are passed exactly as the row names them.
enum class RowA { WordThenEightInts, ThreeIntsThenWord, EightInts };

template <typename Function, typename First> void *callTableA(Function function, First first, int32_t type, RowA row) {
  const int32_t *i = kInts;
  switch (row) {
  case RowA::WordThenEightInts:
    return function(first, type, reinterpret_cast<void *>(kWord), i[0], i[1], i[2], i[3], i[4], i[5], i[6], i[7]);
  case RowA::ThreeIntsThenWord:
    return function(first, type, i[0], i[1], i[2], reinterpret_cast<void *>(kWord));
  case RowA::EightInts:
    break;
  }
  return function(first, type, i[0], i[1], i[2], i[3], i[4], i[5], i[6], i[7]);
}

TEST_F(VariadicBindings, SceneCreateAndRecreateFollowTableA) {
  struct Row {
    int32_t type;
    RowA row;
    std::string_view widths;
    std::vector<uint64_t> values;
  };
  const std::vector<Row> rows = {
      {40, RowA::WordThenEightInts, "piiiiiiii", intsThen({kWord}, 8)},
      {51, RowA::ThreeIntsThenWord, "iiip", {static_cast<uint32_t>(kInts[0]), 2, static_cast<uint32_t>(-3), kWord}},
      {0, RowA::EightInts, "iiiiiiii", intsThen({}, 8)},
      {39, RowA::EightInts, "iiiiiiii", intsThen({}, 8)},
      {41, RowA::EightInts, "iiiiiiii", intsThen({}, 8)},
      {52, RowA::EightInts, "iiiiiiii", intsThen({}, 8)},
      {-40, RowA::EightInts, "iiiiiiii", intsThen({}, 8)},
  };
  const auto create = probe.binding<decltype(&mi_scene_create)>(slotOf("mi_scene_create"));
  const auto recreate = probe.binding<decltype(&mi_scene_recreate)>(slotOf("mi_scene_recreate"));
  for (const Row &row : rows) {
    const std::string what = "element type " + std::to_string(row.type);
    void *const element = reinterpret_cast<void *>(0x1122334455667788u);
    EXPECT_EQ(reinterpret_cast<uint64_t>(callTableA(create, element, row.type, row.row)),
              resultFor<ResultKind::Word>(slotOf("mi_scene_create")));
    const CallRecord &created = record("mi_scene_create");
    EXPECT_EQ(created.bits[0], 0x1122334455667788u) << what;
    EXPECT_EQ(static_cast<int32_t>(created.bits[1]), row.type) << what;
    expectTaken(created, 2, row.widths, row.values, "mi_scene_create, " + what);

    EXPECT_EQ(reinterpret_cast<uint64_t>(callTableA(recreate, -77, row.type, row.row)),
              resultFor<ResultKind::Word>(slotOf("mi_scene_recreate")));
    const CallRecord &recreated = record("mi_scene_recreate");
    EXPECT_EQ(static_cast<int32_t>(recreated.bits[0]), -77) << what;
    EXPECT_EQ(static_cast<int32_t>(recreated.bits[1]), row.type) << what;
    expectTaken(recreated, 2, row.widths, row.values, "mi_scene_recreate, " + what);
  }
}

TEST_F(VariadicBindings, SceneGroweditPassesNineInts) {
  const int32_t *i = kInts;
  const auto growedit = probe.binding<decltype(&mi_scene_growedit)>(slotOf("mi_scene_growedit"));
  EXPECT_EQ(reinterpret_cast<uint64_t>(growedit(-9, i[0], i[1], i[2], i[3], i[4], i[5], i[6], i[7])),
            resultFor<ResultKind::Word>(slotOf("mi_scene_growedit")));
  expectTaken(record("mi_scene_growedit"), 0, "iiiiiiiii", intsThen({static_cast<uint32_t>(-9)}, 8),
              "mi_scene_growedit");
}

TEST_F(VariadicBindings, QueryFollowsTableB) {
  const auto query = probe.binding<decltype(&mi_query)>(slotOf("mi_query"));
  auto *const state = reinterpret_cast<miState *>(0xAAAABBBBCCCCDDDDu);
  void *const result = reinterpret_cast<void *>(0x0123456789ABCDEFu);
  const auto expectFixed = [&](int32_t code) {
    const CallRecord &received = record("mi_query");
    EXPECT_EQ(static_cast<int32_t>(received.bits[0]), code);
    EXPECT_EQ(received.bits[1], 0xAAAABBBBCCCCDDDDu) << code;
    EXPECT_EQ(static_cast<int32_t>(received.bits[2]), -5) << code;
    EXPECT_EQ(received.bits[3], 0x0123456789ABCDEFu) << code;
  };
  const int32_t answer = resultFor<ResultKind::Int>(slotOf("mi_query"));

  for (const int32_t code : {15, 152, 163, 171, 172}) {
    EXPECT_EQ(query(code, state, -5, result, -123456), answer);
    expectFixed(code);
    expectTaken(record("mi_query"), 4, "i", {static_cast<uint32_t>(-123456)}, "query " + std::to_string(code));
  }
  EXPECT_EQ(query(127, state, -5, result, reinterpret_cast<void *>(kWord)), answer);
  expectFixed(127);
  expectTaken(record("mi_query"), 4, "p", {kWord}, "query 127");
  EXPECT_EQ(query(165, state, -5, result, reinterpret_cast<void *>(kWord), -6), answer);
  expectFixed(165);
  expectTaken(record("mi_query"), 4, "pi", {kWord, static_cast<uint32_t>(-6)}, "query 165");
  // The last row takes nothing from the list, so the caller passes nothing.
  for (const int32_t code : {14, 16, 164, 173, 0, -15}) {
    EXPECT_EQ(query(code, state, -5, result), answer);
    expectFixed(code);
  }
}

using MessageFunction = decltype(&mi_info);
using NumberedMessageFunction = decltype(&mi_nerror);

TEST_F(VariadicBindings, MessageFunctionsHandTheHostOnlyTheFormattedText) {
  for (const char *name : {"mi_fatal", "mi_error", "mi_warning", "mi_info", "mi_progress", "mi_debug", "mi_vdebug",
                           "mi_api_error", "mi_api_warning"}) {
    const char *format = "%s %d/%u %.3f %c";
    EXPECT_EQ(probe.binding<MessageFunction>(slotOf(name))(format, "frame", -3, 7u, 0.125, 'x'),
              resultFor<ResultKind::Int>(slotOf(name)))
        << name;
    const CallRecord &received = record(name);
    EXPECT_EQ(received.calls, 1u) << name;
    EXPECT_STREQ(received.textCopy, "frame -3/7 0.125 x") << name;
    EXPECT_NE(received.text, format) << name;
  }
  for (const char *name : {"mi_nfatal", "mi_nerror", "mi_nwarning"}) {
    const char *format = "%d";
    EXPECT_EQ(probe.binding<NumberedMessageFunction>(slotOf(name))(5, format, 3),
              resultFor<ResultKind::Int>(slotOf(name)))
        << name;
    const CallRecord &received = record(name);
    EXPECT_EQ(received.bits[0], 5u) << name;
    EXPECT_STREQ(received.textCopy, "3") << name;
    EXPECT_NE(received.text, format) << name;
  }
}

// The host reads the text as a format of its own: every '%' arrives doubled,
// within 1023 characters, and a doubled pair is kept or dropped whole.
TEST_F(VariadicBindings, MessageTextIsCutToTheBufferAndItsPercentSignsDoubled) {
  const std::string a1023(1023, 'a');
  struct Case {
    std::string what;
    std::string formatted;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"empty", "", ""},
      {"1023 characters", a1023, a1023},
      {"3000 characters", std::string(3000, 'b'), std::string(1023, 'b')},
      {"percent signs", "100% of 50%s", "100%% of 50%%s"},
      {"pair that just fits", std::string(1021, 'a') + "%", std::string(1021, 'a') + "%%"},
      {"pair that does not fit", std::string(1022, 'a') + "%", std::string(1022, 'a')},
      {"percent first, long text", std::string(1, '%').append(1100, 'c'), std::string(2, '%').append(1021, 'c')},
      {"only percent signs", std::string(600, '%'), std::string(1022, '%')},
  };
  const auto info = probe.binding<MessageFunction>(slotOf("mi_info"));
  const auto nwarning = probe.binding<NumberedMessageFunction>(slotOf("mi_nwarning"));
  for (const Case &c : cases) {
    info("%s", c.formatted.c_str());
    EXPECT_EQ(std::string(record("mi_info").textCopy), c.expected) << c.what;
    nwarning(9, "%s", c.formatted.c_str());
    EXPECT_EQ(std::string(record("mi_nwarning").textCopy), c.expected) << c.what;
  }
  // A "%%" of the format is one '%' of the text, and so arrives as two.
  info("%d%%", 50);
  EXPECT_STREQ(record("mi_info").textCopy, "50%%");
}

} // namespace
