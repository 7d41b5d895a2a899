#include "scene_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

namespace qztest {

SceneFolder::SceneFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qzrender-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

SceneFolder::~SceneFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string SceneFolder::write(const std::string &name, const std::string &text) const {
  const std::string target = file(name);
  std::ofstream out(target, std::ios::binary);
  out << text;
  if (!out)
    throw std::runtime_error("cannot write " + target);
  return target;
}

std::string SceneFolder::listing() const {
  std::set<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(path_))
    names.insert(entry.path().filename().string());
  std::string text;
  for (const std::string &name : names)
    text += (text.empty() ? "" : " ") + name;
  return text;
}

} // namespace qztest
