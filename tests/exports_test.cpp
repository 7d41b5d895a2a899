// What each plug-in's file shows the loader: it exports its shader's four
// entries and miSetModuleHandle, and nothing else (no binding function, no
// runtime symbol leaks out), and it needs no library beside the system's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "dynamic_library.h"
#include "host_entries.h"
#include "module_exports.h"

namespace {

using namespace qztest;

TEST(PluginExports, ExactlyTheFiveEntries) {
  const std::vector<std::string> plugins = qztest::shaderPlugins();
  for (const char *shader : {"qzFractalMandelbrot", "qzFractalColorizerSimple", "qzFractalColorizerArea5"})
    ASSERT_NE(std::find(plugins.begin(), plugins.end(), shader), plugins.end()) << shader;
  for (const std::string &shader : plugins) {
    const std::set<std::string> expected{shader, shader + "_init", shader + "_exit", shader + "_version",
                                         "miSetModuleHandle"};
    EXPECT_EQ(exportedNames(pluginPath(shader)), expected) << shader;
  }
}

// A plug-in is dropped into the renderer's library path alone: anything it
// needs beyond the system's C library (the compiler's runtime DLLs on
// Windows, or a library of this project) would be missing there. Windows
// names are case-insensitive.
TEST(PluginImports, OnlyTheSystemsOwnLibraries) {
#if defined(_WIN32)
  const std::string cLibrary = "msvcrt.dll";
  const std::set<std::string> system{cLibrary, "kernel32.dll"};
#else
  const std::string cLibrary = "libc.so.6";
  const std::set<std::string> system{cLibrary, "libm.so.6"};
#endif
  for (const std::string &shader : shaderPlugins()) {
    std::set<std::string> imports;
    for (std::string module : importedModules(pluginPath(shader))) {
      std::transform(module.begin(), module.end(), module.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      imports.insert(module);
    }
    // The binding layer's messages need the C library: an empty list would
    // mean the table was not read.
    EXPECT_TRUE(imports.count(cLibrary)) << shader;
    for (const std::string &module : imports)
      EXPECT_TRUE(system.count(module)) << shader << " needs " << module;
  }
}

// The 690 names lie in the library's constant data as one block, in slot
// order: the lookups' keys, present in every plug-in.
TEST(PluginExports, EveryPluginCarriesAllHostNamesInSlotOrder) {
  std::string names;
  for (const HostEntry &entry : kHostEntries)
    names.append(entry.name).push_back('\0');
  for (const std::string &shader : shaderPlugins()) {
    std::ifstream file(pluginPath(shader), std::ios::binary);
    const std::string image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(image.empty()) << shader;
    EXPECT_NE(image.find(names), std::string::npos) << shader;
  }
}

} // namespace
