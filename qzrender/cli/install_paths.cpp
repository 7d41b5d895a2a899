#include "install_paths.h"

#include <algorithm>
#include <filesystem>

namespace qzrender {
namespace {

void addIfFolder(std::vector<std::string> &list, const std::filesystem::path &folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error))
    return;
  const std::string normal = folder.lexically_normal().string();
  if (std::find(list.begin(), list.end(), normal) == list.end())
    list.push_back(normal);
}

} // namespace

InstalledFolders installedFolders() {
  namespace fs = std::filesystem;
  InstalledFolders folders;
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (error)
    return folders;
  const fs::path bin = executable.parent_path();
  // Relative to the executable's folder; set by the build from the install
  // layout (e.g. ../lib/qzfractal).
  addIfFolder(folders.plugins, bin / QZ_INSTALLED_PLUGINS);
  addIfFolder(folders.plugins, bin / ".." / "plugins");
  addIfFolder(folders.declarations, bin / QZ_INSTALLED_DECLARATIONS);
  addIfFolder(folders.declarations, bin / ".." / "declarations");
  addIfFolder(folders.libraries, bin / QZ_INSTALLED_LIBRARIES);
  addIfFolder(folders.libraries, bin / QZ_BUILD_LIBRARIES);
  return folders;
}

} // namespace qzrender
