// The frame shared by every shader: how a parameter is read (own value or
// connected), the init/exit/version entries and the null-pointer paths.
// Observed through the built plug-ins, loaded as a host loads them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "host_fixture.h"
#include "shader_declaration.h"

namespace {

using namespace qztest;

// qzFractalMandelbrot's first read is `iterations` (block byte 16).
void fillMandelbrotBlock(HostRecords &records, int32_t iterations) {
  fillMandelbrotFullView(records, iterations);
  records.setTextureSpaces({1.0f, 0.5f, 0.0f}); // c = (1, 0): escapes at n = 4
}

class FrameTest : public ::testing::Test {
protected:
  void SetUp() override {
    host.setHandler(&RecordingHost::handle, &recorder);
    mandelbrot.setModuleHandle(host.library.handle());
    fillMandelbrotBlock(records, 100);
    recorder.answer<int32_t>(16, 50); // a connected `iterations` reads 50
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

TEST_F(FrameTest, ConnectionTagDecidesBetweenOwnValueAndHost) {
  struct Case {
    uint8_t flag;
    int32_t tag;
    bool connected;
  };
  const Case cases[] = {{0, 1, false}, {2, 1, false}, {1, 0, false}, {1, -2, false},       {1, -1, true},
                        {1, 1, true},  {1, 2, true},  {1, -3, true}, {1, INT32_MIN, true}, {1, 0x7FFFFFFE, true}};
  for (const Case &c : cases) {
    records.setGhostFlag(c.flag);
    records.setTag(16, c.tag);
    recorder.clear();
    const float result = shade();
    // Own value 100 gives 4/100; the host's 50 gives 4/50.
    EXPECT_EQ(result, c.connected ? 4.0f / 50.0f : 4.0f / 100.0f) << int(c.flag) << " " << c.tag;
    EXPECT_EQ(recorder.requests(), c.connected ? std::vector<size_t>{16} : std::vector<size_t>{})
        << int(c.flag) << " " << c.tag;
  }
}

TEST_F(FrameTest, NegativeGhostOffsetReadsTagsBeforeTheBlock) {
  HostRecords shifted(-24);
  fillMandelbrotBlock(shifted, 100);
  RecordingHost shiftedRecorder(shifted);
  shiftedRecorder.answer<int32_t>(16, 50);
  host.setHandler(&RecordingHost::handle, &shiftedRecorder);
  shifted.setGhostFlag(1);
  // The tag of the parameter at byte 16 lies 8 bytes before the block.
  const int32_t connected = 1;
  std::memcpy(shifted.arena() + HostRecords::kBlockStart - 8, &connected, sizeof connected);
  float result = -1.0f;
  EXPECT_EQ(mandelbrot.shade(&result, shifted.state(), shifted.block()), 1);
  EXPECT_EQ(result, 4.0f / 50.0f);
  EXPECT_EQ(shiftedRecorder.requests(), std::vector<size_t>{16});
}

TEST_F(FrameTest, HostWithoutAnswerReadsAsZeroInsteadOfCrashing) {
  HostRecords unanswered;
  fillMandelbrotBlock(unanswered, 100);
  unanswered.connect({16});
  RecordingHost silent(unanswered); // answers nothing: mi_phen_eval gives null
  host.setHandler(&RecordingHost::handle, &silent);
  float result = -1.0f;
  EXPECT_EQ(mandelbrot.shade(&result, unanswered.state(), unanswered.block()), 1);
  EXPECT_EQ(result, 0.0f); // iterations read as 0: invalid, result cleared
}

// Bytes of a plug-in's result, from the type its declaration gives.
size_t resultSize(const std::string &shader) {
  return readShaderDeclaration(declarationPath(shader)).resultType == "color" ? 16 : 4;
}

TEST(FrameEntries, InitVersionAndExitBehaveAlikeInEveryPlugin) {
  for (const std::string &name : shaderPlugins()) {
    Plugin &p = plugin(name);
    HostRecords records;
    int32_t flag = 0;
    p.init(records.state(), nullptr, &flag);
    EXPECT_EQ(flag, 1) << name;
    flag = 0;
    p.init(records.state(), records.block(), &flag);
    EXPECT_EQ(flag, 0) << name;
    flag = 7;
    p.init(records.state(), records.block(), &flag);
    EXPECT_EQ(flag, 7) << name;
    p.init(nullptr, nullptr, nullptr); // a null flag is survived, not written
    EXPECT_EQ(p.version(), 1) << name;
    p.exit(nullptr, nullptr);
    p.exit(records.state(), records.block());
  }
}

TEST(FrameEntries, NullPointersReturnOneAndTouchNothingElse) {
  for (const std::string &name : shaderPlugins()) {
    Plugin &p = plugin(name);
    StandInHost &host = standInHost();
    p.setModuleHandle(host.library.handle());
    HostRecords records;
    records.setTextureSpaces({0.5f, 0.5f, 0.0f});
    records.setGhostFlag(1);
    for (size_t offset = 0; offset < 120; offset += 4)
      records.setTag(offset, 1); // any read would reach the host
    host.setHandler(nullptr, nullptr);

    EXPECT_EQ(p.shade(nullptr, records.state(), records.block()), 1) << name;
    // The whole result (scalar or colour) is cleared before the null state
    // or block ends the call, and nothing beyond it is written.
    const size_t size = resultSize(name);
    for (void *state : {static_cast<void *>(nullptr), records.state()}) {
      void *block = state ? nullptr : records.block();
      alignas(16) unsigned char result[32];
      std::memset(result, 0xAB, sizeof result);
      EXPECT_EQ(p.shade(result, state, block), 1) << name;
      for (size_t i = 0; i < sizeof result; ++i)
        EXPECT_EQ(result[i], i < size ? 0 : 0xAB) << name << " byte " << i;
    }
    EXPECT_EQ(host.phenEvalCalls(), 0) << name;
  }
}

} // namespace
