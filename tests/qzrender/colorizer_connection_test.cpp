// A colorizer fed by the Mandelbrot through a connection gives, sample for
// sample, exactly what it gives when the same values are written into its
// `value` as constants: the host's connection changes nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "network_builder.h"
#include "parser.h"

namespace {

qzscene::Scene example(const std::string &name) {
  return qzscene::readScene(std::string(QZ_EXAMPLES_DIR) + "/" + name, qzscene::SearchPath({QZ_PLUGIN_DIR}),
                            qzscene::SearchPath({QZ_DECLARATION_DIR}));
}

std::array<float, 4> shade(const qzhost::Network &network, float u, float v) {
  qzhost::Evaluator evaluator(network);
  std::array<float, 4> out{};
  evaluator.shade(u, v, out.data());
  return out;
}

void expectConnectionEqualsConstants(const std::string &exampleName, const std::string &colorizer) {
  const qzscene::Scene scene = example(exampleName);
  const auto connected = qzscene::loadNetwork(scene, scene.findInstance(colorizer));
  const auto fractal = qzscene::loadNetwork(scene, scene.findInstance("fractal"));
  int inside = 0;
  for (int j = 0; j < 8; ++j)
    for (int i = 0; i < 8; ++i) {
      const float u = (static_cast<float>(i) + 0.5f) / 8.0f;
      const float v = (static_cast<float>(j) + 0.5f) / 8.0f;
      const float value = shade(*fractal, u, v)[0];
      inside += value == 0.0f;
      char override[64];
      std::snprintf(override, sizeof override, "%s.value=%.9g", colorizer.c_str(), static_cast<double>(value));
      qzscene::Scene constant = scene;
      qzscene::applyOverride(constant, override);
      const auto fed = qzscene::loadNetwork(constant, constant.findInstance(colorizer));
      const auto a = shade(*connected, u, v);
      const auto b = shade(*fed, u, v);
      EXPECT_EQ(std::memcmp(a.data(), b.data(), sizeof a), 0) << exampleName << " at u " << u << " v " << v;
    }
  EXPECT_GT(inside, 0) << "the grid should reach into the set";
  EXPECT_LT(inside, 64) << "the grid should reach outside the set";
}

TEST(ColorizerConnection, FiveBandRampFedByMandelbrotEqualsConstants) {
  expectConnectionEqualsConstants("full_view_ramp.mi", "ramp");
}

TEST(ColorizerConnection, GradientFedByMandelbrotEqualsConstants) {
  expectConnectionEqualsConstants("gradient.mi", "gradient");
}

} // namespace
