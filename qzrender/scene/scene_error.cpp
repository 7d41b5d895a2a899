#include "scene_error.h"

namespace qzscene {

std::string Location::describe() const {
  const std::string name = file ? *file : std::string("<input>");
  if (line == 0)
    return name;
  return name + ":" + std::to_string(line) + ":" + std::to_string(column);
}

std::string shownText(const std::string &text) {
  constexpr size_t kShownLength = 80;
  return text.size() <= kShownLength ? text : text.substr(0, kShownLength - 3) + "...";
}

SceneError::SceneError(const Location &where, const std::string &message)
    : std::runtime_error(where.describe() + ": error: " + message), fromCommandLine_(where.commandLine) {}

} // namespace qzscene
