// libqzhost as the plug-ins see it: the host functions it exports, the
// records it lays out (seen through the test shaders), connections run for
// the same sample, texture spaces it cannot serve, and the lifecycle calls.
#include <gtest/gtest.h>

#include <cstring>

#include "dynamic_library.h"
#include "module_exports.h"
#include "network_builder.h"
#include "parser.h"
#include "qzhost/messages.h"
#include "qzhost/network.h"
#include "scene_folder.h"
#include "stderr_capture.h"

namespace {

using namespace qztest;

// A scene of test shaders (and the real plug-ins), loaded with `root` (or
// the last instance) as the rendered one.
std::unique_ptr<qzhost::Network> loadScene(const std::string &instances, const std::string &root = "") {
  SceneFolder folder;
  folder.write("scene.mi", "link \"qztest_shaders.so\"\n$include \"qztest_shaders.mi\"\n"
                           "link \"qzFractalMandelbrot.so\"\n$include \"qzFractalMandelbrot.mi\"\n" +
                               instances);
  const qzscene::Scene scene =
      qzscene::readScene(folder.file("scene.mi"), qzscene::SearchPath({QZ_TEST_SHADERS_DIR, QZ_PLUGIN_DIR}),
                         qzscene::SearchPath({QZ_TEST_SCENES_DIR, QZ_DECLARATION_DIR}));
  return qzscene::loadNetwork(scene, qzscene::chooseRoot(scene, root));
}

std::array<float, 4> shade(const qzhost::Network &network, float u, float v) {
  qzhost::Evaluator evaluator(network);
  std::array<float, 4> out{};
  evaluator.shade(u, v, out.data());
  return out;
}

// A declaration shorter than the library's real block: the shader reads
// past the declared fields into zeros (invalid input, result 0), never into
// other memory. The sanitizer builds would see a read past the allocation.
TEST(HostRuntime, ShortDeclarationReadsZerosBeyondIt) {
  SceneFolder folder;
  folder.write("scene.mi", "link \"qzFractalMandelbrot.so\"\n"
                           "declare shader scalar \"qzFractalMandelbrot\" ( scalar \"left\" default -2 )\n"
                           "  version 1\nend declare\n"
                           "shader \"short\" \"qzFractalMandelbrot\" ( \"left\" -2 )\n");
  const qzscene::Scene scene = qzscene::readScene(folder.file("scene.mi"), qzscene::SearchPath({QZ_PLUGIN_DIR}),
                                                  qzscene::SearchPath({folder.path()}));
  const std::unique_ptr<qzhost::Network> network = qzscene::loadNetwork(scene, qzscene::chooseRoot(scene, ""));
  EXPECT_EQ(shade(*network, 1.0f, 0.5f)[0], 0.0f);
}

TEST(HostRuntime, ExportsExactlyTheHostFunctionsItImplements) {
  std::set<std::string> hostFunctions;
  for (const std::string &name : exportedNames(QZHOST_LIBRARY))
    if (name.rfind("mi", 0) == 0)
      hostFunctions.insert(name);
  EXPECT_EQ(hostFunctions, (std::set<std::string>{"mi_phen_eval", "mi_fatal", "mi_nfatal", "mi_error", "mi_nerror",
                                                  "mi_warning", "mi_nwarning", "mi_info", "mi_progress", "mi_debug",
                                                  "mi_vdebug", "mi_api_error", "mi_api_warning"}));
}

TEST(HostRuntime, MessagesArePrintfStyleLinesWithTheirSeverity) {
  DynamicLibrary host(QZHOST_LIBRARY);
  using Message = int32_t (*)(const char *, ...);
  using NumberedMessage = int32_t (*)(int32_t, const char *, ...);
  StderrCapture capture;
  EXPECT_EQ(host.symbol<Message>("mi_warning")("%d bands, %s", 5, "ascending"), 1);
  host.symbol<NumberedMessage>("mi_nerror")(5, "%d", 3);
  host.symbol<Message>("mi_info")("done\n");
  host.symbol<Message>("mi_debug")("hidden at the default level");
  qzhost::setMessageLevel(qzhost::MessageLevel::Warnings);
  host.symbol<Message>("mi_info")("hidden when quiet");
  qzhost::setMessageLevel(qzhost::MessageLevel::Info);
  EXPECT_EQ(capture.take(), "warning: 5 bands, ascending\nerror 5: 3\ninfo: done\n");
}

TEST(HostRuntime, FatalMessageIsRemembered) {
  EXPECT_FALSE(qzhost::fatalReported());
  DynamicLibrary host(QZHOST_LIBRARY);
  StderrCapture capture;
  host.symbol<int32_t (*)(const char *, ...)>("mi_fatal")("out of %s", "luck");
  EXPECT_EQ(capture.take(), "fatal: out of luck\n");
  EXPECT_TRUE(qzhost::fatalReported());
}

// A plug-in calls host functions through its own binding layer, which finds
// them in the module the runtime handed over: the messages the runtime
// implements arrive, one it does not gets the layer's diagnostic and zero.
TEST(HostRuntime, PluginsReachTheHostThroughTheirBindingLayer) {
  const auto network = loadScene("shader \"ask\" \"qzTestAskHost\" ()");
  StderrCapture capture;
  EXPECT_EQ(shade(*network, 0, 0)[0], 0.0f);
  const std::string said = capture.take();
  EXPECT_EQ(said.find("warning: qzTestAskHost asks at 100%\n"), 0u) << said;
  EXPECT_NE(said.find("dlsym failed on \"mi_noise_1d\" (handle: "), std::string::npos) << said;
}

TEST(HostRuntime, EveryTextureSpaceHoldsTheSample) {
  EXPECT_EQ(shade(*loadScene("shader \"uv\" \"qzTestUv\" ()"), 0.25f, 0.75f),
            (std::array<float, 4>{0.25f, 0.75f, 0, 1}));
  const auto third = loadScene("shader \"uv\" \"qzTestUv\" ( \"texSpace\" 3 )");
  EXPECT_EQ(third->textureSpaces(), 4);
  EXPECT_EQ(shade(*third, 0.5f, 0.125f), (std::array<float, 4>{0.5f, 0.125f, 3, 1}));
}

// A connected texSpace can ask for any index; one the host does not serve
// reads as -1 (the shaders' invalid input), so nothing reads past the list.
TEST(HostRuntime, ConnectedTextureSpaceBeyondTheListReadsMinusOne) {
  const auto network = loadScene("shader \"index\" \"qzTestInteger\" ( \"value\" 5 )\n"
                                 "shader \"uv\" \"qzTestUv\" ( \"texSpace\" = \"index\" )");
  ASSERT_EQ(network->textureSpaces(), 1);
  qzhost::Evaluator evaluator(*network);
  float out[4] = {9, 9, 9, 9};
  evaluator.shade(0.5f, 0.5f, out);
  EXPECT_EQ(std::vector<float>(out, out + 4), (std::vector<float>{0, 0, 0, 0}));
  EXPECT_EQ(evaluator.unservedTextureSpaces(), 1u);

  const auto served = loadScene("shader \"index\" \"qzTestInteger\" ( \"value\" 0 )\n"
                                "shader \"uv\" \"qzTestUv\" ( \"texSpace\" = \"index\" )");
  EXPECT_EQ(shade(*served, 0.5f, 0.25f), (std::array<float, 4>{0.5f, 0.25f, 0, 1}));
}

// The outer shader's second parameter is connected too: it is only found
// connected if the host gave the outer shader its own record back after
// running the inner one.
TEST(HostRuntime, NestedConnectionsSeeTheirOwnRecords) {
  const auto network = loadScene("shader \"inner\" \"qzTestScale\" ( \"value\" 0.5, \"scale\" 3 )\n"
                                 "shader \"two\" \"qzTestScale\" ( \"value\" 2 )\n"
                                 "shader \"outer\" \"qzTestScale\" ( \"value\" = \"inner\", \"scale\" = \"two\" )");
  EXPECT_EQ(shade(*network, 0, 0)[0], 3.0f);
  const auto shared = loadScene("shader \"inner\" \"qzTestScale\" ( \"value\" 0.5, \"scale\" 3 )\n"
                                "shader \"square\" \"qzTestScale\" ( \"value\" = \"inner\", \"scale\" = \"inner\" )");
  EXPECT_EQ(shade(*shared, 0, 0)[0], 2.25f);
}

TEST(HostRuntime, ConnectedMandelbrotRunsForTheSameSample) {
  const auto network = loadScene("shader \"fractal\" \"qzFractalMandelbrot\" ( \"iterations\" 100 )\n"
                                 "shader \"half\" \"qzTestScale\" ( \"value\" = \"fractal\", \"scale\" 0.5 )");
  // u = 1, v = 0.5 is c = (1, 0): escapes at n = 4 (see the shader's tests).
  EXPECT_EQ(shade(*network, 1.0f, 0.5f)[0], 0.04f * 0.5f);
  EXPECT_EQ(shade(*network, 0.5f, 0.5f)[0], 0.0f);
}

// Init once per shader with no block, then per instance because the shader
// asks; exit per instance, then once per shader, when the network goes.
// Instances that the rendered one does not use are not initialised.
TEST(HostRuntime, LifecycleEntries) {
  DynamicLibrary shaders(std::string(QZ_TEST_SHADERS_DIR) + "/qztest_shaders.so");
  auto counts = shaders.symbol<void (*)(int *)>("qzTestLifecycleCounts");
  int seen[4];
  counts(seen);
  {
    const auto network = loadScene("shader \"a\" \"qzTestLifecycle\" ()\n"
                                   "shader \"b\" \"qzTestLifecycle\" ()\n"
                                   "shader \"unused\" \"qzTestLifecycle\" ()\n"
                                   "shader \"sum\" \"qzTestScale\" ( \"value\" = \"a\", \"scale\" = \"b\" )");
    counts(seen);
    EXPECT_EQ(std::vector<int>(seen, seen + 4), (std::vector<int>{1, 2, 0, 0}));
    EXPECT_EQ(shade(*network, 0, 0)[0], 1.0f);
  }
  counts(seen);
  EXPECT_EQ(std::vector<int>(seen, seen + 4), (std::vector<int>{0, 0, 2, 1}));
}

} // namespace
