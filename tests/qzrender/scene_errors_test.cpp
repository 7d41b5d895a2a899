// Every way a scene (with its includes and --param/--shader choices) can be
// wrong ends in one message at its place: FILE:LINE:COLUMN: error: TEXT.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "network_builder.h"
#include "parser.h"
#include "scene_folder.h"

namespace {

using namespace qztest;

const std::string kTestShaders = "link \"qztest_shaders.so\"\n$include \"qztest_shaders.mi\"\n";
const std::string kMandelbrot = "link \"qzFractalMandelbrot.so\"\n$include \"qzFractalMandelbrot.mi\"\n";

struct SceneCase {
  const char *name;
  std::string scene; // written as scene.mi
  std::string expected;
  std::vector<std::pair<std::string, std::string>> otherFiles = {};
  std::vector<std::string> overrides = {};
  std::string shader = {};
};

void replaceAll(std::string &text, const std::string &from, const std::string &to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// Reads and loads the scene as qzrender does; the message with the folders
// named by their role.
std::string loadError(const SceneCase &c) {
  SceneFolder folder;
  folder.write("scene.mi", c.scene);
  for (const auto &[name, text] : c.otherFiles)
    folder.write(name, text);
  const qzscene::SearchPath libraries({folder.path(), QZ_TEST_SHADERS_DIR, QZ_PLUGIN_DIR});
  const qzscene::SearchPath includes({folder.path(), QZ_TEST_SCENES_DIR, QZ_DECLARATION_DIR});
  std::string message = "no error";
  try {
    qzscene::Scene scene = qzscene::readScene(folder.file("scene.mi"), libraries, includes);
    for (const std::string &option : c.overrides)
      qzscene::applyOverride(scene, option);
    qzscene::loadNetwork(scene, qzscene::chooseRoot(scene, c.shader));
  } catch (const qzscene::SceneError &error) {
    message = error.what();
  }
  replaceAll(message, folder.path() + "/", "");
  replaceAll(message, folder.path(), "<scene folder>");
  replaceAll(message, QZ_TEST_SHADERS_DIR, "<test shaders>");
  replaceAll(message, QZ_TEST_SCENES_DIR, "<test declarations>");
  replaceAll(message, QZ_PLUGIN_DIR, "<plugins>");
  replaceAll(message, QZ_DECLARATION_DIR, "<declarations>");
  return message;
}

std::string deepIncludes(int depth) { return std::string("$include \"chain") + std::to_string(depth) + ".mi\"\n"; }

std::vector<std::pair<std::string, std::string>> includeChain(int files) {
  std::vector<std::pair<std::string, std::string>> chain;
  for (int i = 1; i <= files; ++i)
    chain.emplace_back("chain" + std::to_string(i) + ".mi", i < files ? deepIncludes(i + 1) : "# end\n");
  return chain;
}

const std::vector<SceneCase> &cases() {
  static const std::vector<SceneCase> all = {
      {"Unclosed", kTestShaders + "shader \"a\" \"qzTestScale\" ( \"value\" 1",
       "scene.mi:3:37: error: expected ',' or ')', found end of file"},
      {"UnknownStatement", "options \"opt\"\n",
       "scene.mi:1:1: error: unknown statement \"options\" (qzrender reads link, $include, declare shader and shader)"},
      {"UnknownCharacter", kTestShaders + "shader \"a\" \"qzTestScale\" ( \"value\" 1; )",
       "scene.mi:3:37: error: unexpected character ';'"},
      {"UnclosedString", "link \"qzFractalMandelbrot.so\n", "scene.mi:1:6: error: string is not closed on its line"},
      {"LongString", "link \"" + std::string(5000, 'x') + "\"\n",
       "scene.mi:1:6: error: string is longer than 4096 characters"},
      {"UnknownDirective", "$ifdef \"x\"\n", "scene.mi:1:1: error: unknown directive $ifdef (qzrender knows $include)"},
      {"UndeclaredShader", kTestShaders + "shader \"a\" \"qzTestNothing\" ()\n",
       "scene.mi:3:12: error: shader \"qzTestNothing\" is not declared"},
      {"DuplicateInstance", kTestShaders + "shader \"a\" \"qzTestScale\" ()\nshader \"a\" \"qzTestScale\" ()\n",
       "scene.mi:4:8: error: instance \"a\" is defined twice (first at scene.mi:3:8)"},
      {"UnknownParameter", kTestShaders + "shader \"a\" \"qzTestScale\" ( \"vlaue\" 1 )\n",
       "scene.mi:3:28: error: shader \"qzTestScale\" has no parameter \"vlaue\""},
      {"ParameterTwice", kTestShaders + "shader \"a\" \"qzTestScale\" ( \"value\" 1, \"value\" 2 )\n",
       "scene.mi:3:39: error: parameter \"value\" is given twice"},
      {"ScalarGivenText", kTestShaders + "shader \"a\" \"qzTestScale\" ( \"value\" \"one\" )\n",
       "scene.mi:3:36: error: parameter \"value\" takes a scalar, found \"one\""},
      {"IntegerGivenFraction", kTestShaders + "shader \"a\" \"qzTestInteger\" ( \"value\" 1.5 )\n",
       "scene.mi:3:38: error: parameter \"value\" takes an integer, found 1.5"},
      {"IntegerOutOfRange", kTestShaders + "shader \"a\" \"qzTestInteger\" ( \"value\" 3000000000 )\n",
       "scene.mi:3:38: error: integer 3000000000 is out of range (-2147483648 to 2147483647)"},
      {"ScalarOutOfRange", kTestShaders + "shader \"a\" \"qzTestScale\" ( \"value\" 1e39 )\n",
       "scene.mi:3:36: error: number 1e39 is out of range for a scalar"},
      {"ColorTooShort",
       kTestShaders + "declare shader color \"c\" ( color \"tint\" ) end declare\n"
                      "shader \"a\" \"c\" ( \"tint\" 1 0 )\n",
       "scene.mi:4:29: error: parameter \"tint\" takes a color (3 or 4 numbers), found )"},
      {"UnknownInstance", kTestShaders + "shader \"a\" \"qzTestScale\" ( \"value\" = \"nothing\" )\n",
       "scene.mi:3:38: error: no shader instance named \"nothing\""},
      {"ConnectionTypeMismatch",
       kTestShaders + "shader \"uv\" \"qzTestUv\" ()\n"
                      "shader \"a\" \"qzTestScale\" ( \"value\" = \"uv\" )\n",
       "scene.mi:4:38: error: parameter \"value\" takes a scalar, but \"uv\" gives a color"},
      {"ConnectionCycle",
       kTestShaders + "shader \"a\" \"qzTestScale\" ( \"value\" = \"b\" )\n"
                      "shader \"b\" \"qzTestScale\" ( \"scale\" = \"a\" )\n",
       "scene.mi:4:38: error: connection cycle: a.value <- b.scale <- a"},
      {"SelfConnection", kTestShaders + "shader \"a\" \"qzTestScale\" ( \"value\" = \"a\" )\n",
       "scene.mi:3:38: error: connection cycle: a.value <- a"},
      {"MissingLibrary", "link \"qzNothing.so\"\n",
       "scene.mi:1:6: error: cannot find library \"qzNothing.so\" (searched <scene folder>, <test shaders>, "
       "<plugins>)"},
      {"MissingInclude", "$include \"qzNothing.mi\"\n",
       "scene.mi:1:10: error: cannot find \"qzNothing.mi\" (searched <scene folder>, <test declarations>, "
       "<declarations>)"},
      {"NotALibrary",
       "link \"bogus.so\"\n" + kTestShaders + "shader \"a\" \"qzTestScale\" ()\n",
       "scene.mi:1:6: error: cannot load \"bogus.so\": ...",
       {{"bogus.so", "not a library"}}},
      {"LibraryWithoutShader", kTestShaders + "shader \"a\" \"qzTestMissing\" ()\n",
       "scene.mi:3:8: error: no linked library exports the shader \"qzTestMissing\""},
      {"VersionMismatch", kTestShaders + "shader \"a\" \"qzTestVersion2\" ()\n",
       "scene.mi:3:8: error: version mismatch: \"qzTestVersion2\" in \"<test shaders>/qztest_shaders.so\" is version "
       "2, its declaration says 1"},
      {"UnsupportedParameterType", "declare shader scalar \"s\" ( boolean \"on\" ) end declare\n",
       "scene.mi:1:29: error: unsupported parameter type \"boolean\" (qzrender supports scalar, integer and color)"},
      {"UnsupportedResultType", "declare shader vector \"s\" () end declare\n",
       "scene.mi:1:16: error: unsupported result type \"vector\" (qzrender supports scalar, integer and color)"},
      {"UnknownDeclarationOption", "declare shader scalar \"s\" () scanline on end declare\n",
       "scene.mi:1:30: error: unknown declaration option \"scanline\" (qzrender reads version and apply)"},
      {"ParameterDeclaredTwice", "declare shader scalar \"s\" ( scalar \"p\", integer \"p\" ) end declare\n",
       "scene.mi:1:49: error: parameter \"p\" is declared twice"},
      {"DeclaredDifferently",
       "declare shader scalar \"s\" ( scalar \"p\" ) end declare\n"
       "declare shader scalar \"s\" ( integer \"p\" ) end declare\n",
       "scene.mi:2:23: error: shader \"s\" is declared again, differently (first at scene.mi:1:23)"},
      {"TextureSpaceNotServed", kMandelbrot + "shader \"m\" \"qzFractalMandelbrot\" ( \"texSpace\" 64 )\n",
       "scene.mi:3:36: error: texture space 64 is not served: qzrender gives every sample texture spaces 0 to 63"},
      {"IncludeCycle",
       "$include \"a.mi\"\n",
       "b.mi:1:10: error: $include cycle: \"a.mi\" is already being read",
       {{"a.mi", "# a\n$include \"b.mi\"\n"}, {"b.mi", "$include \"a.mi\"\n"}}},
      {"IncludeTooDeep", deepIncludes(1), "chain16.mi:1:1: error: $include nested more than 16 deep", includeChain(17)},
      {"FileTooLarge", "# big\n" + std::string(17u << 20, ' '),
       "scene.mi: error: cannot read the file: larger than 16 MiB"},
      {"NoInstance", kTestShaders, "scene.mi: error: the scene defines no shader instance to render"},
      {"UnknownRoot",
       kTestShaders + "shader \"a\" \"qzTestScale\" ()\n",
       "--shader b: error: the scene has no shader instance \"b\"",
       {},
       {},
       "b"},
      {"OverrideWithoutValue",
       kTestShaders + "shader \"a\" \"qzTestScale\" ()\n",
       "--param a.value: error: expected INSTANCE.PARAM=VALUE",
       {},
       {"a.value"}},
      {"OverrideUnknownInstance",
       kTestShaders + "shader \"a\" \"qzTestScale\" ()\n",
       "--param b.value=1: error: the scene has no shader instance \"b\"",
       {},
       {"b.value=1"}},
      {"OverrideUnknownParameter",
       kTestShaders + "shader \"a\" \"qzTestScale\" ()\n",
       "--param a.size=1: error: shader \"qzTestScale\" has no parameter \"size\"",
       {},
       {"a.size=1"}},
      {"OverrideWrongType",
       kTestShaders + "shader \"a\" \"qzTestInteger\" ()\n",
       "--param a.value=0.5: error: parameter \"value\" takes an integer, found 0.5",
       {},
       {"a.value=0.5"}},
      {"OverrideTrailingText",
       kTestShaders + "shader \"a\" \"qzTestScale\" ()\n",
       "--param a.value=1 2: error: unexpected 2 after the value",
       {},
       {"a.value=1 2"}},
  };
  return all;
}

void PrintTo(const SceneCase &c, std::ostream *out) { *out << c.name; }

class SceneErrors : public ::testing::TestWithParam<SceneCase> {};

// An expected message ending in "..." is a prefix: the rest is the system
// loader's own words.
TEST_P(SceneErrors, OneMessageAtItsPlace) {
  const std::string message = loadError(GetParam());
  const std::string &expected = GetParam().expected;
  if (expected.size() > 3 && expected.compare(expected.size() - 3, 3, "...") == 0)
    EXPECT_EQ(message.substr(0, expected.size() - 3), expected.substr(0, expected.size() - 3)) << message;
  else
    EXPECT_EQ(message, expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SceneErrors, ::testing::ValuesIn(cases()),
                         [](const auto &caseInfo) { return std::string(caseInfo.param.name); });

} // namespace
