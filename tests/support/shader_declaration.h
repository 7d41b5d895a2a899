// Reads a shader declaration file (.mi), as far as this project's
// declarations use the language: one `declare shader` block with typed,
// named parameters and optional numeric defaults, a version and an apply
// list.
#pragma once

#include <string>
#include <vector>

namespace qztest {

struct DeclaredParameter {
  std::string type;
  std::string name;
  std::vector<double> defaults; // empty when the declaration gives none
};

struct ShaderDeclaration {
  std::string resultType;
  std::string name;
  std::vector<DeclaredParameter> parameters;
  int version = 0;
  std::vector<std::string> apply;
};

// Throws std::runtime_error, naming the file, on anything it cannot read.
ShaderDeclaration readShaderDeclaration(const std::string &path);

} // namespace qztest
