#include "scene_error.h"

namespace qzscene {

std::string Location::describe() const {
  const std::string name = file ? *file : std::string("<input>");
  if (line == 0)
    return name;
  return name + ":" + std::to_string(line) + ":" + std::to_string(column);
}

SceneError::SceneError(const Location &where, const std::string &message)
    : std::runtime_error(where.describe() + ": error: " + message) {}

} // namespace qzscene
