// What the benchmarks hand a shader: a render state, the record of the
// running shader, a parameter block with a connection-tag area before it,
// and one texture space. Laid out with the product's own offsets: the tests
// check those offsets, the benchmarks only time the code that reads them.
#pragma once

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "qzfractal/host_records.h"
#include "qzfractal/host_types.h"

namespace qzbench {

struct Records {
  static constexpr int kBlockStart = 512; // tags at the block's address - 512

  Records() {
    const void *shader = shaderRecord;
    std::memcpy(state + QZ_STATE_SHADER, &shader, sizeof shader);
    const void *list = textureList;
    std::memcpy(state + QZ_STATE_TEXTURE_LIST, &list, sizeof list);
    const int32_t ghostOffset = -kBlockStart;
    std::memcpy(shaderRecord + QZ_SHADER_GHOST_OFFSET, &ghostOffset, sizeof ghostOffset);
  }

  miState *renderState() { return reinterpret_cast<miState *>(state); }
  unsigned char *block() { return arena + kBlockStart; }
  template <typename T> void set(int offset, const T &value) { std::memcpy(block() + offset, &value, sizeof value); }
  // Marks the parameter at `offset` connected (tag 1) or holding its own
  // value (tag 0); the block then has tags (ghost flag 1).
  void setConnected(int offset, bool connected) {
    shaderRecord[QZ_SHADER_GHOST_FLAG] = 1;
    const int32_t tag = connected ? 1 : 0;
    std::memcpy(arena + offset, &tag, sizeof tag); // block + offset - kBlockStart
  }

  alignas(16) unsigned char state[1024] = {};
  alignas(16) unsigned char shaderRecord[256] = {};
  alignas(16) unsigned char arena[1024] = {};
  float textureList[3] = {};
};

// A shared library loaded at run time, as a host loads it; kept for the
// life of the process.
inline void *loadModule(const std::string &path) {
  void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr)
    throw std::runtime_error("cannot load " + path + ": " + dlerror());
  return handle;
}

template <typename F> F moduleSymbol(void *module, const std::string &name) {
  void *address = dlsym(module, name.c_str());
  if (address == nullptr)
    throw std::runtime_error("missing export " + name);
  return reinterpret_cast<F>(address);
}

using ShaderEntry = miBoolean (*)(void *result, miState *state, void *params);
using SetModuleHandle = void (*)(void *handle);

inline void *benchHost() {
  static void *host = loadModule(QZ_BENCH_HOST);
  return host;
}

// The shader entry of a plug-in of the build, with the bench host handed
// over as its host module.
inline ShaderEntry shaderEntry(const std::string &shaderName) {
  void *plugin = loadModule(std::string(QZ_PLUGIN_DIR) + "/" + shaderName + ".so");
  moduleSymbol<SetModuleHandle>(plugin, "miSetModuleHandle")(benchHost());
  return moduleSymbol<ShaderEntry>(plugin, shaderName);
}

} // namespace qzbench
