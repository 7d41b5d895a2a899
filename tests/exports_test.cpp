// Each plug-in exports its shader's four entries and miSetModuleHandle, and
// nothing else: no binding function, no runtime symbol leaks out.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "dynamic_library.h"
#include "module_exports.h"

namespace {

std::set<std::string> builtPlugins() {
  std::set<std::string> names;
  std::stringstream list(QZ_SHADER_PLUGINS);
  for (std::string name; std::getline(list, name, ',');)
    names.insert(name);
  return names;
}

TEST(PluginExports, ExactlyTheFiveEntries) {
  const std::set<std::string> plugins = builtPlugins();
  ASSERT_TRUE(plugins.count("qzFractalMandelbrot"));
  for (const std::string &shader : plugins) {
    const std::set<std::string> expected{shader, shader + "_init", shader + "_exit", shader + "_version",
                                         "miSetModuleHandle"};
    EXPECT_EQ(qztest::exportedNames(qztest::pluginPath(shader)), expected) << shader;
  }
}

} // namespace
