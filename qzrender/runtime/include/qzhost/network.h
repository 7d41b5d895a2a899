// A loaded shader network: plug-ins opened and handed the runtime's module,
// versions checked, entries initialised, records and parameter blocks laid
// out. An Evaluator then runs the network's root shader for single samples.
#pragma once

#include <cstdint>
#include <memory>

#include "qzhost/export.h"
#include "qzhost/network_description.h"

namespace qzhost {

// The host serves at most this many texture spaces to a sample.
constexpr int kMaxTextureSpaces = 64;

struct NetworkState;

class QZHOST_API Network {
public:
  // Loads and initialises `description`. On failure returns null and fills *error;
  // nothing stays loaded.
  static std::unique_ptr<Network> load(const NetworkDescription &description, LoadError *error);
  ~Network(); // calls the exit entries, then closes the libraries
  Network(const Network &) = delete;
  Network &operator=(const Network &) = delete;

  ValueType resultType() const;
  // Texture spaces every sample is given: one more than the largest
  // constant `texSpace` in the network, at least 1.
  int textureSpaces() const;
  const NetworkState &state() const { return *state_; }

private:
  explicit Network(std::unique_ptr<NetworkState> state);
  std::unique_ptr<NetworkState> state_;
};

struct EvaluationContext;

// Per-thread evaluation of a network's root shader. Holds the thread's
// render state and the storage for connected shaders' results; shade()
// allocates nothing and takes no lock.
class QZHOST_API Evaluator {
public:
  explicit Evaluator(const Network &network);
  ~Evaluator();
  Evaluator(const Evaluator &) = delete;
  Evaluator &operator=(const Evaluator &) = delete;

  // Runs the root shader for one sample whose every texture space is
  // (u, v, 0). Writes 1 value (scalar or integer result, converted to
  // float) or 4 (colour) to `out`.
  void shade(float u, float v, float *out);

  // Samples on which a connected `texSpace` asked for a texture space that
  // the host does not serve; the parameter read -1 there instead.
  uint64_t unservedTextureSpaces() const;

private:
  std::unique_ptr<EvaluationContext> context_;
};

} // namespace qzhost
