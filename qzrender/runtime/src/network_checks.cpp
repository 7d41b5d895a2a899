#include "network_checks.h"

#include <algorithm>
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

int32_t integerValue(const ParameterDescription &parameter) {
  int32_t value;
  std::memcpy(&value, parameter.value.data(), sizeof value);
  return value;
}

bool checkParameters(const NetworkDescription &description, int index, LoadError *error) {
  const InstanceDescription &instance = description.instances[index];
  size_t blockSize = 0;
  for (size_t p = 0; p < instance.parameters.size(); ++p) {
    const ParameterDescription &parameter = instance.parameters[p];
    const int at = static_cast<int>(p);
    blockSize += valueSize(parameter.type);
    if (parameter.connection >= 0) {
      if (parameter.connection >= static_cast<int>(description.instances.size())) {
        *error = parameterError(index, at, "connection to an instance that does not exist");
        return false;
      }
      const InstanceDescription &source = description.instances[parameter.connection];
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
  explicit CycleFinder(const NetworkDescription &description)
      : description_(description), state_(description.instances.size(), Unvisited) {}

  bool run(LoadError *error) {
    for (size_t i = 0; i < description_.instances.size(); ++i)
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
    const auto &parameters = description_.instances[instance].parameters;
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
      const auto &instance = description_.instances[path_[i].first];
      text += instance.name + "." + instance.parameters[path_[i].second].name + " <- ";
    }
    return text + description_.instances[start].name;
  }

  const NetworkDescription &description_;
  std::vector<Mark> state_;
  std::vector<std::pair<int, int>> path_;
};

// What one sample costs the root of an acyclic network: how many shaders run
// (each connection runs its source anew, so runs add up along every path) and
// how deep the calls nest. Worked out once per instance, sources first,
// without recursion; counts stop growing once past the limit.
class SampleCost {
public:
  explicit SampleCost(const NetworkDescription &description)
      : description_(description), runs_(description.instances.size(), 0), depth_(description.instances.size(), 0) {}

  bool check(LoadError *error) {
    const int root = description_.root;
    measure(root);
    const std::string &name = description_.instances[root].name;
    if (depth_[root] > kMaxConnectionDepth) {
      *error =
          LoadError{LoadError::Subject::Instance, root, -1,
                    "connections below \"" + name + "\" nest " + std::to_string(depth_[root]) +
                        " shaders deep, more than the " + std::to_string(kMaxConnectionDepth) + " qzrender allows"};
      return false;
    }
    if (runs_[root] > kMaxShaderRunsPerSample) {
      *error = LoadError{LoadError::Subject::Instance, root, -1,
                         "\"" + name + "\" would run more than " + std::to_string(kMaxShaderRunsPerSample) +
                             " shaders for every sample: each connection runs its shader anew, and these "
                             "connections meet again too often"};
      return false;
    }
    return true;
  }

private:
  void measure(int root) {
    std::vector<int> pending{root};
    while (!pending.empty()) {
      const int at = pending.back();
      if (runs_[at] != 0) {
        pending.pop_back();
        continue;
      }
      bool sourcesKnown = true;
      for (const ParameterDescription &parameter : description_.instances[at].parameters)
        if (parameter.connection >= 0 && runs_[parameter.connection] == 0) {
          pending.push_back(parameter.connection);
          sourcesKnown = false;
        }
      if (!sourcesKnown)
        continue;
      uint64_t runs = 1;
      int depth = 1;
      for (const ParameterDescription &parameter : description_.instances[at].parameters)
        if (parameter.connection >= 0) {
          runs = std::min(runs + runs_[parameter.connection], kMaxShaderRunsPerSample + 1);
          depth = std::max(depth, depth_[parameter.connection] + 1);
        }
      runs_[at] = runs;
      depth_[at] = depth;
      pending.pop_back();
    }
  }

  const NetworkDescription &description_;
  std::vector<uint64_t> runs_; // 0: not yet known
  std::vector<int> depth_;
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

bool checkNetwork(const NetworkDescription &description, LoadError *error) {
  if (description.root < 0 || description.root >= static_cast<int>(description.instances.size())) {
    *error = LoadError{LoadError::Subject::Instance, -1, -1, "the network has no instance to render"};
    return false;
  }
  for (size_t i = 0; i < description.instances.size(); ++i)
    if (!checkParameters(description, static_cast<int>(i), error))
      return false;
  return CycleFinder(description).run(error) && SampleCost(description).check(error);
}

int textureSpacesNeeded(const NetworkDescription &description) {
  int needed = 1;
  for (const InstanceDescription &instance : description.instances)
    for (const ParameterDescription &parameter : instance.parameters)
      if (parameter.textureSpace && parameter.connection < 0 && integerValue(parameter) >= needed)
        needed = integerValue(parameter) + 1;
  return needed;
}

} // namespace qzhost
