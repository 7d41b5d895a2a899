// The same inputs give the same bits on every platform. Each shader renders a
// fixed grid of samples through its plug-in, and the bit patterns of the
// results must equal those in tests/data/render_grid.txt, written by the
// Linux build; the Windows DLLs, under Wine, compare against the same file.
//
// Every run writes its own rendering to <build>/tests/render_grid.txt, also
// when it fails, so two platforms' renderings can be compared directly. After
// a deliberate change of results (or a new shader), regenerate on Linux:
//   cmake --build --preset release && ctest --preset release -R RenderGrid
//   cp build/release/tests/render_grid.txt tests/data/render_grid.txt
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "host_fixture.h"

namespace {

using namespace qztest;

constexpr int kGridSize = 8; // samples per side

// Rectangles of the complex plane for qzFractalMandelbrot, each rendered at
// several budgets: the whole set, and a close-up on its boundary, where long
// orbits make any difference in rounding show.
struct View {
  const char *name;
  float left, right, top, bottom;
  std::vector<int32_t> budgets;
};
const View kViews[] = {
    {"full", -2.0f, 1.0f, 1.5f, -1.5f, {11, 100, 1000}},
    {"close-up", -0.743647f, -0.743641f, 0.131828f, 0.131822f, {250, 1000, 9999}},
};

// The colorizers colour each Mandelbrot grid, their `value` (byte 0 of the
// block) connected to the Mandelbrot shader as in a scene. One line each: the
// shader and the rest of its block, as scalars in block order.
struct Colorizer {
  const char *name;
  std::vector<float> blockAfterValue;
};
const std::vector<Colorizer> kColorizers = {
    {"qzFractalColorizerSimple", {0.25f, 0.5f, 0.75f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 0.5f, 0.0f, 0.5f}},
    {"qzFractalColorizerArea5",
     {0.01f, 0.05f, 0.2f, 0.5f, 1.0f, 0.25f, 0.25f, 0.25f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f,
      0.0f,  1.0f,  0.0f, 1.0f, 0.0f, 0.5f,  0.0f,  1.0f,  1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f}},
};

uint32_t bits(float value) {
  uint32_t pattern;
  std::memcpy(&pattern, &value, sizeof pattern);
  return pattern;
}

class RenderGrid {
public:
  RenderGrid() {
    host.setHandler(&RecordingHost::handle, &recorder);
    mandelbrot.setModuleHandle(host.library.handle());
  }

  // The Mandelbrot results of one view and budget, row by row (v rising).
  std::vector<float> mandelbrotGrid(const View &view, int32_t budget) {
    HostRecords records;
    const float block[] = {view.left, view.right, view.top, view.bottom};
    for (size_t i = 0; i < std::size(block); ++i)
      records.set(4 * i, block[i]);
    records.set<int32_t>(16, budget);
    records.set<int32_t>(20, 0);
    std::vector<float> results;
    for (int row = 0; row < kGridSize; ++row)
      for (int column = 0; column < kGridSize; ++column) {
        const auto centre = [](int i) { return (static_cast<float>(i) + 0.5f) / kGridSize; };
        records.setTextureSpaces({centre(column), centre(row), 0.0f});
        float result = -1.0f;
        mandelbrot.shade(&result, records.state(), records.block());
        results.push_back(result);
      }
    return results;
  }

  // `colorizer` applied to each value of a grid, four channels a sample.
  std::vector<float> colorizerGrid(const Colorizer &colorizer, const std::vector<float> &values) {
    Plugin &plugin = qztest::plugin(colorizer.name);
    plugin.setModuleHandle(host.library.handle());
    for (size_t i = 0; i < colorizer.blockAfterValue.size(); ++i)
      colorizerRecords.set(4 * (i + 1), colorizer.blockAfterValue[i]);
    colorizerRecords.connect({0});
    std::vector<float> results;
    for (float value : values) {
      recorder.answer(0, value);
      Color result{-1.0f, -1.0f, -1.0f, -1.0f};
      plugin.shade(&result, colorizerRecords.state(), colorizerRecords.block());
      results.insert(results.end(), {result.r, result.g, result.b, result.a});
    }
    return results;
  }

private:
  Plugin &mandelbrot = plugin("qzFractalMandelbrot");
  StandInHost &host = standInHost();
  HostRecords colorizerRecords;
  RecordingHost recorder{colorizerRecords};
};

// One section per shader, view and budget: a title line, then one line per
// grid row of the results' bit patterns in hexadecimal.
void writeSection(std::ostream &out, const std::string &title, const std::vector<float> &results) {
  out << title << '\n';
  const size_t perRow = results.size() / kGridSize;
  for (size_t i = 0; i < results.size(); ++i) {
    char word[9];
    std::snprintf(word, sizeof word, "%08x", bits(results[i]));
    out << word << ((i + 1) % perRow == 0 ? '\n' : ' ');
  }
}

std::string render() {
  RenderGrid grid;
  std::ostringstream out;
  out << "# Bit patterns of every shader's results over fixed grids of samples (tests/render_grid_test.cpp).\n"
         "# Written by the Linux release build; every platform's plug-ins must give exactly these.\n";
  for (const View &view : kViews)
    for (int32_t budget : view.budgets) {
      const std::string where = std::string(" ") + view.name + " iterations " + std::to_string(budget);
      const std::vector<float> values = grid.mandelbrotGrid(view, budget);
      writeSection(out, "qzFractalMandelbrot" + where, values);
      for (const Colorizer &colorizer : kColorizers)
        writeSection(out, colorizer.name + where, grid.colorizerGrid(colorizer, values));
    }
  return out.str();
}

// The lines of a rendering that carry results: comments dropped.
std::vector<std::string> resultLines(std::istream &in) {
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#')
      lines.push_back(line);
  return lines;
}

TEST(RenderGrid, EveryShaderHasAGrid) {
  for (const std::string &shader : shaderPlugins()) {
    const bool known = shader == "qzFractalMandelbrot" ||
                       std::any_of(kColorizers.begin(), kColorizers.end(),
                                   [&](const Colorizer &colorizer) { return shader == colorizer.name; });
    EXPECT_TRUE(known) << shader << " has no render grid: add its line to kColorizers";
  }
}

TEST(RenderGrid, BitIdenticalToTheCheckedInRendering) {
  const std::string rendered = render();
  const std::string renderedPath = std::string(QZ_TEST_OUTPUT_DIR) + "/render_grid.txt";
  std::ofstream(renderedPath, std::ios::binary) << rendered; // the same bytes on every platform

  const std::string expectedPath = std::string(QZ_TEST_DATA_DIR) + "/render_grid.txt";
  std::ifstream expectedFile(expectedPath);
  ASSERT_TRUE(expectedFile) << "cannot read " << expectedPath;
  std::istringstream renderedText(rendered);
  const std::vector<std::string> actual = resultLines(renderedText);
  const std::vector<std::string> expected = resultLines(expectedFile);

  // Report the first difference, under the title of its section.
  std::string title;
  for (size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
    const std::string got = i < actual.size() ? actual[i] : "(nothing)";
    const std::string want = i < expected.size() ? expected[i] : "(nothing)";
    if (got.rfind("qz", 0) == 0)
      title = got;
    if (got != want) {
      ADD_FAILURE() << "rendering differs from " << expectedPath << " in '" << title << "':\n  got:      " << got
                    << "\n  expected: " << want << "\nthis run's rendering is in " << renderedPath
                    << "; if the change is meant, regenerate the file on Linux (see render_grid_test.cpp)";
      return;
    }
  }
}

} // namespace
