// What the host runtime is asked to load: the plug-in libraries and the
// shader instances of one network, with every parameter's own value or
// connection already resolved. The scene reader builds this; the runtime
// checks it and lays it out in the host's records.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "qzhost/value_type.h"

namespace qzhost {

struct ParameterDescription {
  std::string name;
  ValueType type = ValueType::Scalar;
  // The parameter's own value as it lies in the block (4 or 16 bytes used);
  // ignored when the parameter is connected.
  std::array<unsigned char, 16> value{};
  // Index of the instance whose result feeds this parameter, or -1.
  int connection = -1;
  // An integer parameter that picks a texture space (named `texSpace`): the
  // host must serve the index it holds.
  bool textureSpace = false;
};

struct InstanceDescription {
  std::string name;   // the instance's own name, for messages
  std::string shader; // the declared shader, which is also its entry's name
  int declaredVersion = 1;
  ValueType result = ValueType::Scalar;
  std::vector<ParameterDescription> parameters; // declaration order, no gaps
};

struct NetworkDescription {
  std::vector<std::string> libraries; // paths, in link order
  std::vector<InstanceDescription> instances;
  int root = 0; // the instance whose result is rendered
};

// Why a network could not be loaded, and what it concerns, so the caller
// can point at the place in its own input.
struct LoadError {
  enum class Subject { Library, Instance, Parameter };
  Subject subject = Subject::Instance;
  int index = -1;     // library or instance index
  int parameter = -1; // parameter index within the instance, for Parameter
  std::string message;
};

} // namespace qzhost
