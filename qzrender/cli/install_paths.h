// The plug-in, declaration and library folders that belong to this qzrender,
// found from where the executable lies: <prefix>/bin/qzrender finds
// <prefix>/lib/qzfractal, <prefix>/share/qzfractal/include and <prefix>/lib;
// in a build tree, <build>/bin/qzrender finds <build>/plugins,
// <build>/declarations and <build>/lib. A copy of the installed tree moved
// elsewhere finds its own.
#pragma once

#include <string>
#include <vector>

namespace qzrender {

struct InstalledFolders {
  std::vector<std::string> plugins;
  std::vector<std::string> declarations;
  std::vector<std::string> libraries; // libqzhost's and the image module's
};

// Only folders that exist.
InstalledFolders installedFolders();

} // namespace qzrender
