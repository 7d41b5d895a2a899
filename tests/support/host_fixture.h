// A test stand-in for what the renderer hands a shader: render state, shader
// function record, parameter block and connection tags, laid out at the
// host's byte offsets. The offsets are written here as literal numbers, on
// purpose independent of the product's headers, so that a wrong offset in the
// product cannot pass by being shared with the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "dynamic_library.h"

namespace qztest {

struct Color {
  float r, g, b, a;
  bool operator==(const Color &) const = default;
};

// Render state, shader record, parameter block and tag area of one call.
class HostRecords {
public:
  // The block starts at a fixed place inside one arena, so that the tag area
  // can lie before or after it (ghost offset negative or positive).
  static constexpr size_t kArenaSize = 4096;
  static constexpr size_t kBlockStart = 2048;

  explicit HostRecords(int32_t ghostOffset = 512);

  void *state() { return state_; }
  void *block() { return arena_ + kBlockStart; }
  void *shaderRecord() { return shaderRecord_; }
  unsigned char *arena() { return arena_; }

  template <typename T> void set(size_t offset, const T &value) {
    std::memcpy(arena_ + kBlockStart + offset, &value, sizeof value);
  }
  template <typename T> T get(size_t offset) const {
    T value;
    std::memcpy(&value, arena_ + kBlockStart + offset, sizeof value);
    return value;
  }

  // Shader function record members (byte 109: ghost flag, byte 96: offset).
  void setGhostFlag(uint8_t flag) { shaderRecord_[109] = flag; }
  void setGhostOffset(int32_t offset);
  int32_t ghostOffset() const { return ghostOffset_; }
  // The connection tag of the parameter at `paramOffset` within the block.
  void setTag(size_t paramOffset, int32_t tag);
  // Ghost flag 1 and tag 1 (connected) for each parameter offset given.
  void connect(const std::vector<size_t> &paramOffsets);

  // Points the state's record of the running shader (byte 312) at `record`
  // and returns the one it replaced, as a host does around a nested shader.
  void *swapRunningShader(void *record);

  // Texture-coordinate list (state byte 248); entries of (u, v, w).
  void setTextureSpaces(const std::vector<float> &uvw);
  // Moves texture space 0 to (u, v) in place, without allocating, for tests
  // that shade millions of samples; the list must hold an entry already.
  void moveTextureSpace0(float u, float v) {
    textureList_[0] = u;
    textureList_[1] = v;
  }
  void clearTextureList();

private:
  alignas(16) unsigned char state_[1024] = {};
  alignas(16) unsigned char shaderRecord_[256] = {};
  alignas(16) unsigned char arena_[kArenaSize] = {};
  std::vector<float> textureList_;
  int32_t ghostOffset_ = 0;
};

// Answers mi_phen_eval for connected parameters: each parameter offset maps
// to the bytes that the "connected shader" produces, and every request is
// recorded, in order, by parameter offset.
class RecordingHost {
public:
  explicit RecordingHost(HostRecords &records) : records_(records) {}

  template <typename T> void answer(size_t paramOffset, const T &value) {
    std::vector<unsigned char> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    answers_[paramOffset] = bytes;
  }
  // Requests seen, as parameter offsets within the block, in order.
  const std::vector<size_t> &requests() const { return requests_; }
  void clear() { requests_.clear(); }
  // From now on every answer is copied into one buffer that the next request
  // overwrites, as a host may hand out one scratch value per call: a shader
  // that keeps an answer's address past its next evaluation reads the wrong
  // value. Single-threaded use only.
  void reuseOneAnswerBuffer() { reuseBuffer_ = true; }

  // The handler signature of the stand-in host module.
  static void *handle(void *context, void *state, void *param, int hostId);

private:
  HostRecords &records_;
  std::map<size_t, std::vector<unsigned char>> answers_;
  std::vector<size_t> requests_;
  std::mutex mutex_;
  bool reuseBuffer_ = false;
  alignas(16) unsigned char scratch_[16] = {};
};

// qzFractalMandelbrot's block (left 0, right 4, top 8, bottom 12,
// iterations 16, texSpace 20) for the full view, -2..1 by -1.5..1.5, read
// from texture space 0.
void fillMandelbrotFullView(HostRecords &records, int32_t iterations);

// Gives the parameter at `offset` its value. Unconnected, the block holds
// it. Connected, the host answers with it and the block holds junk, which
// shows in the result if the shader reads the block directly.
template <typename T>
void giveParameter(HostRecords &records, RecordingHost &host, size_t offset, const T &value, bool connected) {
  records.setGhostFlag(1);
  records.setTag(offset, connected ? 1 : 0);
  if (!connected) {
    records.set(offset, value);
    return;
  }
  host.answer(offset, value);
  T junk;
  std::memset(&junk, 0x5A, sizeof junk);
  records.set(offset, junk);
}

using ShaderEntry = int32_t (*)(void *result, void *state, void *params);
using InitEntry = void (*)(void *state, void *params, int32_t *flag);
using ExitEntry = void (*)(void *state, void *params);
using VersionEntry = int32_t (*)();
using SetModuleHandle = void (*)(void *handle);
using PhenEvalHandler = void *(*)(void *context, void *state, void *param, int hostId);
using SetHandler = void (*)(PhenEvalHandler handler, void *context);

// A plug-in loaded at run time, with its five exports.
struct Plugin {
  explicit Plugin(const std::string &shaderName);
  DynamicLibrary library;
  ShaderEntry shade = nullptr;
  InitEntry init = nullptr;
  ExitEntry exit = nullptr;
  VersionEntry version = nullptr;
  SetModuleHandle setModuleHandle = nullptr;
};

// The stand-in host module (see tests/hosts), loaded at run time.
struct StandInHost {
  explicit StandInHost(const std::string &name = "qztest_host_a");
  DynamicLibrary library;
  SetHandler setHandler = nullptr;
  long (*phenEvalCalls)() = nullptr;
  int (*id)() = nullptr;
};

// Loaded once per process and kept, as a renderer keeps its plug-ins.
Plugin &plugin(const std::string &shaderName);
StandInHost &standInHost(const std::string &name = "qztest_host_a");

} // namespace qztest
