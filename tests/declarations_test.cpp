// The declaration files, which tell the host each shader's name, result and
// parameter block: they must agree with the blocks the plug-ins read, or the
// host lays out parameters where the shader does not look.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "dynamic_library.h"
#include "shader_declaration.h"

namespace {

using namespace qztest;

struct Interface {
  std::string result;
  std::vector<std::pair<std::string, std::string>> parameters; // type, name
};

const std::map<std::string, Interface> kInterfaces{
    {"qzFractalMandelbrot",
     {"scalar",
      {{"scalar", "left"},
       {"scalar", "right"},
       {"scalar", "top"},
       {"scalar", "bottom"},
       {"integer", "iterations"},
       {"integer", "texSpace"}}}},
    {"qzFractalColorizerSimple",
     {"color", {{"scalar", "value"}, {"color", "zeroColor"}, {"color", "startColor"}, {"color", "endColor"}}}},
    {"qzFractalColorizerArea5",
     {"color",
      {{"scalar", "value"},
       {"scalar", "limit1"},
       {"scalar", "limit2"},
       {"scalar", "limit3"},
       {"scalar", "limit4"},
       {"scalar", "limit5"},
       {"color", "color0"},
       {"color", "color1"},
       {"color", "color2"},
       {"color", "color3"},
       {"color", "color4"},
       {"color", "color5"}}}},
};

TEST(Declarations, AgreeWithEveryPluginsBlock) {
  for (const std::string &name : shaderPlugins()) {
    SCOPED_TRACE(name);
    const ShaderDeclaration declared = readShaderDeclaration(declarationPath(name));
    ASSERT_TRUE(kInterfaces.count(name)) << "no interface listed for " << name;
    const Interface &expected = kInterfaces.at(name);
    EXPECT_EQ(declared.name, name);
    EXPECT_EQ(declared.resultType, expected.result);
    EXPECT_EQ(declared.version, 1);
    EXPECT_EQ(declared.apply, std::vector<std::string>{"texture"});
    std::vector<std::pair<std::string, std::string>> parameters;
    for (const DeclaredParameter &parameter : declared.parameters) {
      parameters.emplace_back(parameter.type, parameter.name);
      // A default, where given, is one number per channel of its type.
      if (!parameter.defaults.empty()) {
        EXPECT_EQ(parameter.defaults.size(), parameter.type == "color" ? 4u : 1u) << parameter.name;
      }
    }
    EXPECT_EQ(parameters, expected.parameters);
  }
}

// Out of the box the five-band ramp must colour every value of 0..1: limits
// that ascend from above 0 to exactly 1, and colours within 0..1.
TEST(Declarations, FiveBandDefaultsCoverTheWholeRange) {
  const ShaderDeclaration declared = readShaderDeclaration(declarationPath("qzFractalColorizerArea5"));
  double previous = 0.0;
  for (const DeclaredParameter &parameter : declared.parameters) {
    ASSERT_FALSE(parameter.defaults.empty()) << parameter.name;
    if (parameter.name.rfind("limit", 0) == 0) {
      EXPECT_GT(parameter.defaults[0], previous) << parameter.name;
      previous = parameter.defaults[0];
    } else if (parameter.type == "color") {
      for (double channel : parameter.defaults) {
        EXPECT_GE(channel, 0.0) << parameter.name;
        EXPECT_LE(channel, 1.0) << parameter.name;
      }
    }
  }
  EXPECT_EQ(previous, 1.0);
}

} // namespace
