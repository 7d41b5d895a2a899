// Fuzz target: qzrender's scene reader, from the text of a scene file to a
// loaded network, the way qzrender runs it: read the scene (with its links,
// $includes and declarations), apply a --param override, choose the root,
// describe the network and load it, which checks connections, cycles, depth
// and work per sample, and opens the linked plug-ins.
//
// Any input may be rejected, but only with a SceneError; anything else that
// escapes, a crash, a sanitizer report or a hang is a finding.
//
// Input layout: the scene text, optionally followed by a NUL byte and the
// text of one --param option (INSTANCE.PARAM=VALUE). The scene file lies in
// a folder of its own beside loop.mi, which includes the scene back; the
// real plug-ins and their declarations are on the search paths.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz_input.h"
#include "network_builder.h"
#include "parser.h"

namespace {

std::string folder;
std::string scenePath;

void writeFile(const std::string &path, const char *data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
  if (!out)
    qzfuzz::fail("cannot write the scene file");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char pattern[] = "/tmp/qzfuzz-scene-XXXXXX";
  if (mkdtemp(pattern) == nullptr)
    qzfuzz::fail("cannot make a folder for the scene");
  folder = pattern;
  scenePath = folder + "/scene.mi";
  // Loading a network opens the linked plug-ins and closing it closes them;
  // their coverage counters must stay mapped for libFuzzer to read, so
  // every plug-in is held open here for good.
  for (const char *plugin : {"qzFractalMandelbrot", "qzFractalColorizerSimple", "qzFractalColorizerArea5"})
    if (!dlopen((std::string(QZ_PLUGIN_DIR) + "/" + plugin + ".so").c_str(), RTLD_NOW | RTLD_NODELETE))
      qzfuzz::fail("cannot hold the plug-ins open");
  const std::string loop = "$include \"scene.mi\"\n";
  writeFile(folder + "/loop.mi", loop.data(), loop.size());
  // The folder goes when the fuzzer ends, however it ends.
  std::atexit([] { std::system(("rm -rf '" + folder + "'").c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const auto *text = reinterpret_cast<const char *>(data);
  const std::string input(text, size);
  const size_t split = input.find('\0');
  const std::string scene = input.substr(0, split);
  const std::string override = split == std::string::npos ? std::string() : input.substr(split + 1);
  writeFile(scenePath, scene.data(), scene.size());

  const qzscene::SearchPath libraries({QZ_PLUGIN_DIR});
  const qzscene::SearchPath includes({folder, QZ_DECLARATION_DIR});
  try {
    qzscene::Scene parsed = qzscene::readScene(scenePath, libraries, includes);
    if (!override.empty())
      qzscene::applyOverride(parsed, override);
    const int root = qzscene::chooseRoot(parsed, "");
    qzscene::describeNetwork(parsed, root);
    qzscene::loadNetwork(parsed, root);
  } catch (const qzscene::SceneError &) {
    // the expected way to refuse an input
  }
  return 0;
}
