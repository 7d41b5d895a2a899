#include <cstring>

#include "evaluation_context.h"
#include "qzhost/network.h"

namespace qzhost {

Evaluator::Evaluator(const Network &network) : context_(std::make_unique<EvaluationContext>()) {
  EvaluationContext &context = *context_;
  const NetworkState &state = network.state();
  context.network = &state;
  context.textureList.assign(3 * static_cast<size_t>(state.textureSpaces), 0.0f);
  context.results.resize(state.instances.size());
  const int32_t unserved = -1;
  std::memcpy(context.unservedIndex.bytes, &unserved, sizeof unserved);
  std::memset(&context.state, 0, sizeof context.state);
  context.state.textureList = context.textureList.data();
  context.state.context = &context;
}

Evaluator::~Evaluator() = default;

void Evaluator::shade(float u, float v, float *out) {
  EvaluationContext &context = *context_;
  float *entry = context.textureList.data();
  for (int space = 0; space < context.network->textureSpaces; ++space, entry += 3) {
    entry[0] = u;
    entry[1] = v;
  }
  const int root = context.network->root;
  const HostInstance &shader = context.network->instances[root];
  unsigned char *result = context.results[root].bytes;
  context.state.shader = &shader.record;
  shader.entry(result, &context.state, shader.block);

  switch (shader.result) {
  case ValueType::Scalar:
    std::memcpy(out, result, sizeof(float));
    break;
  case ValueType::Integer: {
    int32_t value;
    std::memcpy(&value, result, sizeof value);
    out[0] = static_cast<float>(value);
    break;
  }
  case ValueType::Color:
    std::memcpy(out, result, 4 * sizeof(float));
    break;
  }
}

uint64_t Evaluator::unservedTextureSpaces() const { return context_->unservedTextureSpaces; }

} // namespace qzhost
