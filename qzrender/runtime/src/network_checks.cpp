#include "network_checks.h"

#include <cstring>
#include <vector>

#include "qzhost/network.h"

namespace qzhost {
namespace {

LoadError parameterError(int instance, int parameter, std::string message) {
  return LoadError{LoadError::Subject::Parameter, instance, parameter, std::move(message)};
}

std::string withArticle(ValueType type) {
  return std::string(type == ValueType::Integer ? "an " : "a ") + valueTypeName(type);
}

int32_t integerValue(const ParameterSpec &parameter) {
  int32_t value;
  std::memcpy(&value, parameter.value.data(), sizeof value);
  return value;
}

bool checkParameters(const NetworkSpec &spec, int index, LoadError *error) {
  const InstanceSpec &instance = spec.instances[index];
  size_t blockSize = 0;
  for (size_t p = 0; p < instance.parameters.size(); ++p) {
    const ParameterSpec &parameter = instance.parameters[p];
    const int at = static_cast<int>(p);
    blockSize += valueSize(parameter.type);
    if (parameter.connection >= 0) {
      if (parameter.connection >= static_cast<int>(spec.instances.size())) {
        *error = parameterError(index, at, "connection to an instance that does not exist");
        return false;
      }
      const InstanceSpec &source = spec.instances[parameter.connection];
      if (source.result != parameter.type) {
        *error = parameterError(index, at,
                                "parameter \"" + parameter.name + "\" takes " + withArticle(parameter.type) +
                                    ", but \"" + source.name + "\" gives " + withArticle(source.result));
        return false;
      }
    } else if (parameter.textureSpace && integerValue(parameter) >= kMaxTextureSpaces) {
      *error = parameterError(index, at,
                              "texture space " + std::to_string(integerValue(parameter)) +
                                  " is not served: qzrender gives every sample texture spaces 0 to " +
                                  std::to_string(kMaxTextureSpaces - 1));
      return false;
    }
  }
  if (blockSize > kMaxBlockSize) {
    *error = LoadError{LoadError::Subject::Instance, index, -1,
                       "parameter block of " + std::to_string(blockSize) + " bytes is larger than the " +
                           std::to_string(kMaxBlockSize) + " bytes qzrender lays out"};
    return false;
  }
  return true;
}

// Depth-first walk along connections. `path` holds (instance, parameter)
// pairs from the walk's start; an instance met again on it closes a cycle.
class CycleFinder {
public:
  explicit CycleFinder(const NetworkSpec &spec) : spec_(spec), state_(spec.instances.size(), Unvisited) {}

  bool run(LoadError *error) {
    for (size_t i = 0; i < spec_.instances.size(); ++i)
      if (state_[i] == Unvisited && !visit(static_cast<int>(i), error))
        return false;
    return true;
  }

private:
  enum Mark { Unvisited, OnPath, Done };

  bool visit(int instance, LoadError *error) {
    if (static_cast<int>(path_.size()) >= kMaxConnectionDepth) {
      const auto [from, parameter] = path_.back();
      *error = parameterError(from, parameter,
                              "connections nest more than " + std::to_string(kMaxConnectionDepth) + " shaders deep");
      return false;
    }
    state_[instance] = OnPath;
    const auto &parameters = spec_.instances[instance].parameters;
    for (size_t p = 0; p < parameters.size(); ++p) {
      const int source = parameters[p].connection;
      if (source < 0)
        continue;
      path_.emplace_back(instance, static_cast<int>(p));
      if (state_[source] == OnPath) {
        *error = parameterError(instance, static_cast<int>(p), "connection cycle: " + describeCycle(source));
        return false;
      }
      if (state_[source] == Unvisited && !visit(source, error))
        return false;
      path_.pop_back();
    }
    state_[instance] = Done;
    return true;
  }

  // "a.value <- b.x <- a" for the part of the path from `start` on.
  std::string describeCycle(int start) const {
    size_t first = 0;
    while (path_[first].first != start)
      ++first;
    std::string text;
    for (size_t i = first; i < path_.size(); ++i) {
      const auto &instance = spec_.instances[path_[i].first];
      text += instance.name + "." + instance.parameters[path_[i].second].name + " <- ";
    }
    return text + spec_.instances[start].name;
  }

  const NetworkSpec &spec_;
  std::vector<Mark> state_;
  std::vector<std::pair<int, int>> path_;
};

} // namespace

const char *valueTypeName(ValueType type) {
  switch (type) {
  case ValueType::Scalar:
    return "scalar";
  case ValueType::Integer:
    return "integer";
  case ValueType::Color:
    return "color";
  }
  return "?";
}

bool checkNetwork(const NetworkSpec &spec, LoadError *error) {
  if (spec.root < 0 || spec.root >= static_cast<int>(spec.instances.size())) {
    *error = LoadError{LoadError::Subject::Instance, -1, -1, "the network has no instance to render"};
    return false;
  }
  for (size_t i = 0; i < spec.instances.size(); ++i)
    if (!checkParameters(spec, static_cast<int>(i), error))
      return false;
  return CycleFinder(spec).run(error);
}

int textureSpacesNeeded(const NetworkSpec &spec) {
  int needed = 1;
  for (const InstanceSpec &instance : spec.instances)
    for (const ParameterSpec &parameter : instance.parameters)
      if (parameter.textureSpace && parameter.connection < 0 && integerValue(parameter) >= needed)
        needed = integerValue(parameter) + 1;
  return needed;
}

} // namespace qzhost
