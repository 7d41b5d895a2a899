#include "search_path.h"

#include <filesystem>

namespace qzscene {

void SearchPath::appendList(const std::string &colonSeparated) {
  size_t start = 0;
  while (start <= colonSeparated.size()) {
    size_t end = colonSeparated.find(':', start);
    if (end == std::string::npos)
      end = colonSeparated.size();
    if (end > start)
      append(colonSeparated.substr(start, end - start));
    start = end + 1;
  }
}

void SearchPath::append(const std::string &folder) { folders_.push_back(folder); }

std::string SearchPath::find(const std::string &name) const {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::path(name).is_absolute())
    return fs::is_regular_file(name, error) ? name : std::string();
  for (const std::string &folder : folders_) {
    const fs::path candidate = fs::path(folder) / name;
    if (fs::is_regular_file(candidate, error))
      return candidate.string();
  }
  return {};
}

std::string SearchPath::describe() const {
  if (folders_.empty())
    return "no folders";
  std::string text;
  for (const std::string &folder : folders_)
    text += (text.empty() ? "" : ", ") + folder;
  return text;
}

} // namespace qzscene
