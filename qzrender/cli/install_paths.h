// The plug-in and declaration folders that belong to this qzrender, found
// from where the executable lies: <prefix>/bin/qzrender finds
// <prefix>/lib/qzfractal and <prefix>/share/qzfractal/include; in a build
// tree, <build>/bin/qzrender finds <build>/plugins and <build>/declarations.
#pragma once

#include <string>
#include <vector>

namespace qzrender {

struct InstalledFolders {
  std::vector<std::string> plugins;
  std::vector<std::string> declarations;
};

// Only folders that exist.
InstalledFolders installedFolders();

} // namespace qzrender
