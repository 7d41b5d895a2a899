// What a loaded network holds, shared by loading, evaluation and
// mi_phen_eval. Read-only while samples are shaded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host_records.h"
#include "qzhost/network.h"

namespace qzhost {

struct LoadedLibrary {
  std::string path;
  void *handle = nullptr;
};

// The init/exit entries of one shader, and whether its instances asked for
// an init call of their own.
struct ShaderLifecycle {
  std::string name;
  InitEntry init = nullptr;
  ExitEntry exit = nullptr;
  bool perInstance = false;
  std::vector<int> instances; // that are run, in network order
};

struct NetworkState {
  std::vector<LoadedLibrary> libraries;
  std::vector<HostInstance> instances;
  // Parameter blocks and tag areas, one buffer per instance; 16-byte aligned
  // words so a colour never straddles anything odd.
  std::vector<std::unique_ptr<uint32_t[]>> storage;
  std::vector<std::vector<uint8_t>> textureSpaceWords;
  std::vector<ShaderLifecycle> shaders;
  bool initialised = false;
  int root = 0;
  int textureSpaces = 1;
};

// A state for the init and exit entries: no texture list, no thread storage.
void prepareLifecycleState(RenderState &state, const HostInstance &instance);

} // namespace qzhost
