// qzrender starts without OpenImageIO: neither it nor libqzhost needs any of
// its libraries, and libqzimageio, which writes through it, is loaded from
// beside the executable only for the formats it writes. Without a usable
// module those formats fail with a message naming the file, leaving no file
// behind, while .pfm still renders.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "dynamic_library.h"
#include "module_exports.h"
#include "qzimageio/write_request.h"
#include "qzrender_run.h"
#include "scene_folder.h"

namespace {

using namespace qztest;
namespace fs = std::filesystem;

bool namesOpenImageIO(const std::string &library) { return library.find("OpenImageIO") != std::string::npos; }

TEST(ImageModule, OpenImageIOIsNoLibraryQzrenderStartsWith) {
  for (const char *path : {QZRENDER_EXE, QZHOST_LIBRARY})
    for (const std::string &library : importedModules(path))
      EXPECT_FALSE(namesOpenImageIO(library)) << path << " needs " << library;
  // The module does need it, which shows the reader finds such entries.
  const std::set<std::string> moduleNeeds = importedModules(QZIMAGEIO_MODULE);
  EXPECT_TRUE(std::any_of(moduleNeeds.begin(), moduleNeeds.end(), namesOpenImageIO));
}

// The module's entry, called as qzrender calls it: every failure comes back
// as text in the caller's buffer, cut to fit, never as an exception.
TEST(ImageModule, ReportsFailuresAsText) {
  DynamicLibrary module(QZIMAGEIO_MODULE);
  ASSERT_TRUE(module.loaded()) << module.error();
  const auto write = module.symbol<QzImageioWrite *>(QZIMAGEIO_WRITE_ENTRY);
  ASSERT_NE(write, nullptr);
  SceneFolder folder;
  const float pixel = 0.5f;
  const std::string missingFolder = folder.file("no/image.exr");
  QzImageioRequest request{};
  request.interfaceVersion = QZIMAGEIO_INTERFACE_VERSION;
  request.encoding = QZIMAGEIO_FLOAT_DATA;
  request.path = missingFolder.c_str();
  request.formatName = "image.exr";
  request.pixels = &pixel;
  request.width = request.height = request.channels = 1;
  request.fullWidth = request.fullHeight = 1;
  char error[256];
  EXPECT_NE(write(&request, error, sizeof error), nullptr);
  EXPECT_NE(std::string(error).find("image.exr"), std::string::npos) << error;

  request.interfaceVersion = QZIMAGEIO_INTERFACE_VERSION + 1;
  EXPECT_EQ(write(&request, error, sizeof error), error);
  EXPECT_EQ(std::string(error), "the image writer speaks interface " + std::to_string(QZIMAGEIO_INTERFACE_VERSION) +
                                    ", qzrender interface " + std::to_string(QZIMAGEIO_INTERFACE_VERSION + 1) +
                                    "; install the two from the same build");
  char shortError[8];
  EXPECT_EQ(write(&request, shortError, sizeof shortError), shortError);
  EXPECT_STREQ(shortError, "the ima");
}

enum class Module { Missing, NotALibrary, WithoutTheEntry };

struct ModuleCase {
  const char *name;
  Module module;
  std::string message; // {module} stands for the module's path; "..." ends a prefix
};

void PrintTo(const ModuleCase &c, std::ostream *out) { *out << c.name; }

class BrokenImageModule : public ::testing::TestWithParam<ModuleCase> {};

// A copy of qzrender in a tree of its own (bin/, lib/), with the module in
// lib/ missing, not a library, or a library without the writer's entry.
TEST_P(BrokenImageModule, FailsNamingItAndLeavesNoFile) {
  SceneFolder tree;
  fs::create_directories(tree.file("bin"));
  fs::create_directories(tree.file("lib"));
  fs::create_directories(tree.file("out"));
  const std::string qzrender = tree.file("bin/qzrender");
  fs::copy_file(QZRENDER_EXE, qzrender);
  const std::string module = tree.file("lib/" + fs::path(QZIMAGEIO_MODULE).filename().string());
  if (GetParam().module == Module::NotALibrary)
    tree.write("lib/" + fs::path(module).filename().string(), std::string(256, 'x'));
  if (GetParam().module == Module::WithoutTheEntry)
    fs::copy_file(QZHOST_LIBRARY, module);

  const auto renderTo = [&](const std::string &image) {
    return runProgram(qzrender, {QZ_EXAMPLES_DIR "/gradient.mi", "-L", QZ_PLUGIN_DIR, "-I", QZ_DECLARATION_DIR, "--res",
                                 "8", "6", "--quiet", "-o", tree.file("out/" + image)});
  };
  std::string expected = GetParam().message;
  expected.replace(expected.find("{module}"), 8, module);
  for (const char *image : {"image.exr", "image.png"}) {
    const RunResult run = renderTo(image);
    EXPECT_EQ(run.exitCode, 1) << image;
    if (expected.size() > 3 && expected.compare(expected.size() - 3, 3, "...") == 0)
      EXPECT_EQ(run.standardError.substr(0, expected.size() - 3), expected.substr(0, expected.size() - 3));
    else
      EXPECT_EQ(run.standardError, expected + "\n");
    EXPECT_TRUE(fs::is_empty(tree.file("out"))) << image;
  }

  const RunResult pfm = renderTo("image.pfm");
  EXPECT_EQ(pfm.exitCode, 0) << pfm.standardError;
  EXPECT_TRUE(fs::exists(tree.file("out/image.pfm")));
  // --version names OpenImageIO without loading it.
  const RunResult version = runProgram(qzrender, {"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.standardOutput.rfind("qzrender ", 0), 0u) << version.standardOutput;
  EXPECT_NE(version.standardOutput.find(" (OpenImageIO "), std::string::npos) << version.standardOutput;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BrokenImageModule,
    ::testing::Values(
        ModuleCase{"Missing", Module::Missing,
                   "qzrender: error: cannot load the image writer \"{module}\": cannot open shared object file: No "
                   "such file or directory"},
        ModuleCase{"NotALibrary", Module::NotALibrary,
                   "qzrender: error: cannot load the image writer \"{module}\": ..."},
        ModuleCase{"WithoutTheEntry", Module::WithoutTheEntry,
                   "qzrender: error: cannot load the image writer \"{module}\": it does not export qzimageio_write"}),
    [](const auto &caseInfo) { return std::string(caseInfo.param.name); });

} // namespace
