// One thread's storage for shading samples: its render state, its texture
// list and a result slot per instance, where mi_phen_eval runs connected
// shaders. The render state points back here, so mi_phen_eval finds the
// thread's storage without a lookup or a lock.
#pragma once

#include <cstdint>
#include <vector>

#include "host_records.h"
#include "network_state.h"

namespace qzhost {

struct alignas(16) ResultSlot {
  unsigned char bytes[16];
};

struct EvaluationContext {
  const NetworkState *network = nullptr;
  RenderState state{};
  std::vector<float> textureList;  // (u, v, 0) per texture space served
  std::vector<ResultSlot> results; // per instance
  ResultSlot unservedIndex{};      // holds -1: what an unserved texSpace reads
  uint64_t unservedTextureSpaces = 0;
};

} // namespace qzhost
