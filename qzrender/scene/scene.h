// A scene as read from its file: the libraries it links, the shaders it
// declares and the shader instances it defines, each with where it was
// written.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "qzhost/value_type.h"
#include "scene_error.h"

namespace qzscene {

using qzhost::ValueType;

// A value as it lies in a parameter block: 4 bytes of a scalar or integer,
// or the 16 of a colour (r, g, b, a).
using Value = std::array<unsigned char, 16>;

struct Link {
  std::string path; // found on the library search path
  Location location;
};

struct ParameterDeclaration {
  std::string name;
  ValueType type = ValueType::Scalar;
  Value defaultValue{}; // zeros when the declaration gives none
  Location location;
};

struct Declaration {
  std::string name;
  ValueType result = ValueType::Scalar;
  std::vector<ParameterDeclaration> parameters;
  int version = 1; // when the declaration has no `version`
  std::vector<std::string> apply;
  Location location;

  // Index of the parameter named `name`, or -1.
  int find(const std::string &parameterName) const;
};

// One parameter of an instance given a value or a connection.
struct Assignment {
  int parameter = -1; // in the declaration
  bool connected = false;
  Value value{};      // when not connected
  std::string source; // the feeding instance's name, when connected
  Location location;  // of the parameter's name
  Location sourceLocation;
};

struct Instance {
  std::string name;
  int declaration = -1;
  std::vector<Assignment> assignments;
  Location location; // of the instance's name

  Assignment *find(int parameter);
  const Assignment *find(int parameter) const;
};

struct Scene {
  std::string path;
  std::vector<Link> links;
  std::vector<Declaration> declarations;
  std::vector<Instance> instances;

  int findDeclaration(const std::string &name) const;
  int findInstance(const std::string &name) const;
};

} // namespace qzscene
