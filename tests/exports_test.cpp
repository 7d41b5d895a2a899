// Each plug-in exports its shader's four entries and miSetModuleHandle, and
// nothing else: no binding function, no runtime symbol leaks out. And each
// carries the whole host interface, whatever its shader calls.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "dynamic_library.h"
#include "host_entries.h"
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

// The 690 names lie in the library's constant data as one block, in slot
// order: the lookups' keys, present in every plug-in.
TEST(PluginExports, EveryPluginCarriesAllHostNamesInSlotOrder) {
  std::string names;
  for (const qztest::HostEntry &entry : qztest::kHostEntries)
    names.append(entry.name).push_back('\0');
  for (const std::string &shader : builtPlugins()) {
    std::ifstream file(qztest::pluginPath(shader), std::ios::binary);
    const std::string image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(image.empty()) << shader;
    EXPECT_NE(image.find(names), std::string::npos) << shader;
  }
}

} // namespace
