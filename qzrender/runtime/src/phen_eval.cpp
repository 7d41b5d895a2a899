// mi_phen_eval: the host function through which a shader reads a connected
// parameter. The host runs the connected shader for the same sample, into
// the calling thread's result slot of that shader, and hands back the slot.
//
// Every request is checked against the records the host laid out itself, so
// a confused caller gets zeros rather than a wild read; none of the checks
// allocates, locks or touches a string.
#include <cstring>

#include "evaluation_context.h"
#include "qzhost/export.h"

namespace {

alignas(16) const unsigned char kZeros[16] = {};

void *zeros() { return const_cast<unsigned char *>(kZeros); }

} // namespace

extern "C" QZHOST_API void *mi_phen_eval(void *state, void *param) {
  using namespace qzhost;
  if (state == nullptr || param == nullptr)
    return zeros();
  auto *renderState = static_cast<RenderState *>(state);
  const ShaderRecord *caller = renderState->shader;
  EvaluationContext *context = renderState->context;
  if (caller == nullptr || context == nullptr) // e.g. from an init entry: no sample
    return zeros();
  const HostInstance &instance = *caller->instance;

  const auto address = reinterpret_cast<uintptr_t>(param);
  const auto block = reinterpret_cast<uintptr_t>(instance.block);
  if (address < block || address - block >= instance.blockSize || (address - block) % 4 != 0)
    return zeros();
  const size_t offset = address - block;
  int32_t tag;
  std::memcpy(&tag, instance.block + offset + caller->ghostOffset, sizeof tag);
  if (tag == 0 || tag == -2) // holds its own value
    return param;
  const int source = tag - 1;
  if (source < 0 || source >= static_cast<int>(context->results.size()))
    return zeros();

  const HostInstance &connected = context->network->instances[source];
  unsigned char *result = context->results[source].bytes;
  renderState->shader = &connected.record;
  connected.entry(result, state, connected.block);
  renderState->shader = caller;

  if (instance.textureSpaceWords[offset / 4]) {
    int32_t space;
    std::memcpy(&space, result, sizeof space);
    if (space >= context->network->textureSpaces) {
      ++context->unservedTextureSpaces;
      return context->unservedIndex.bytes;
    }
  }
  return result;
}
