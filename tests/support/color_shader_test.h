// Base fixture for the colour shaders: the plug-in loaded as a host loads
// it, the recording host behind it, and one block whose parameters a test
// gives one by one, each holding its own value or connected.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "color_expect.h"
#include "host_fixture.h"

namespace qztest {

class ColorShaderTest : public ::testing::Test {
protected:
  explicit ColorShaderTest(const std::string &shaderName) : shader(plugin(shaderName)) {}

  void SetUp() override {
    host.setHandler(&RecordingHost::handle, &recorder);
    shader.setModuleHandle(host.library.handle());
    recorder.reuseOneAnswerBuffer();
  }

  template <typename T> void give(size_t offset, const T &value, bool connected) {
    giveParameter(records, recorder, offset, value, connected);
  }

  // One call of the shader on the block; the result starts out as junk so
  // that a result the shader fails to clear shows.
  Color shade() {
    Color result{-1.0f, -1.0f, -1.0f, -1.0f};
    EXPECT_EQ(shader.shade(&result, records.state(), records.block()), 1);
    return result;
  }

  Plugin &shader;
  StandInHost &host = standInHost();
  HostRecords records;
  RecordingHost recorder{records};
};

} // namespace qztest
