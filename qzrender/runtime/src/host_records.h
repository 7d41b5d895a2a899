// The host's records as plug-ins see them. A plug-in reads a handful of
// members at fixed byte offsets of the renderer's 64-bit layout; everything
// else is reserved and kept zero. Each record ends with fields of the host's
// own, which plug-ins never read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qzhost/value_type.h"

namespace qzhost {

struct HostInstance;
struct EvaluationContext;

using ShaderEntry = int32_t (*)(void *result, void *state, void *params);
using InitEntry = void (*)(void *state, void *params, int32_t *instanceInit);
using ExitEntry = void (*)(void *state, void *params);
using VersionEntry = int32_t (*)();
using SetModuleHandleEntry = void (*)(void *handle);

// The shader function record of one instance. The renderer's own record is
// larger; the reserved bytes stay zero, so a plug-in that reads a member
// this host does not provide finds zero there rather than host data.
struct ShaderRecord {
  unsigned char reserved0[96];
  int32_t ghostOffset; // distance from a parameter to its connection tag
  unsigned char reserved1[9];
  uint8_t ghostFlag; // 1: the block has connection tags
  unsigned char reserved2[256 - 110];
  const HostInstance *instance; // host-private, past the renderer's layout
};
static_assert(offsetof(ShaderRecord, ghostOffset) == 96);
static_assert(offsetof(ShaderRecord, ghostFlag) == 109);
static_assert(offsetof(ShaderRecord, instance) == 256);

// The render state of one thread's sample; likewise zero but for the two
// members plug-ins read.
struct RenderState {
  unsigned char reserved0[248];
  const float *textureList; // (u, v, w) per texture space
  unsigned char reserved1[56];
  const ShaderRecord *shader; // the shader that is running now
  unsigned char reserved2[1024 - 320];
  EvaluationContext *context; // host-private: the thread's storage
};
static_assert(offsetof(RenderState, textureList) == 248);
static_assert(offsetof(RenderState, shader) == 312);
static_assert(offsetof(RenderState, context) == 1024);

// Connection tags: 0 means "holds its own value"; a connected parameter's
// tag is the index of the instance that feeds it plus 1, so it is never 0
// or -2.
constexpr int32_t kOwnValueTag = 0;
constexpr int32_t connectionTag(int instance) { return instance + 1; }

// One shader instance as laid out for the plug-ins: its record, its entry
// and its parameter block, with the tag area right after the block.
struct HostInstance {
  ShaderRecord record{};
  ShaderEntry entry = nullptr;
  ValueType result = ValueType::Scalar;
  unsigned char *block = nullptr; // inside `storage`
  uint32_t blockSize = 0;
  // Per 4-byte word of the block: 1 where a `texSpace` parameter starts.
  const uint8_t *textureSpaceWords = nullptr;
};

} // namespace qzhost
