// Each plug-in exports its shader's four entries and miSetModuleHandle, and
// nothing else: no binding function, no runtime symbol leaks out.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "dynamic_library.h"
#include "module_exports.h"

namespace {

TEST(PluginExports, ExactlyTheFiveEntries) {
  const std::vector<std::string> plugins = qztest::shaderPlugins();
  for (const char *shader : {"qzFractalMandelbrot", "qzFractalColorizerSimple", "qzFractalColorizerArea5"})
    ASSERT_NE(std::find(plugins.begin(), plugins.end(), shader), plugins.end()) << shader;
  for (const std::string &shader : plugins) {
    const std::set<std::string> expected{shader, shader + "_init", shader + "_exit", shader + "_version",
                                         "miSetModuleHandle"};
    EXPECT_EQ(qztest::exportedNames(qztest::pluginPath(shader)), expected) << shader;
  }
}

} // namespace
