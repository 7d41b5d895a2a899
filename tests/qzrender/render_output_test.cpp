// qzrender from the outside: the images it writes (against reference images
// checked into the repository), its sampling, threads and crops, its
// metadata and progress output, and that a failed run leaves no file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "image_file.h"
#include "qzrender_run.h"
#include "scene_folder.h"

namespace {

using namespace qztest;

std::string example(const std::string &name) { return std::string(QZ_EXAMPLES_DIR) + "/" + name; }

// Renders and reads back the image; fails the test if qzrender failed.
ImageFile renderImage(const SceneFolder &folder, const std::string &output, std::vector<std::string> arguments) {
  arguments.insert(arguments.end(), {"-o", folder.file(output), "--quiet"});
  const RunResult run = runQzrender(arguments);
  EXPECT_EQ(run.exitCode, 0) << run.standardError;
  return readImageFile(folder.file(output));
}

bool samePixels(const ImageFile &a, const ImageFile &b) {
  return a.width == b.width && a.height == b.height && a.channels == b.channels &&
         std::memcmp(a.pixels.data(), b.pixels.data(), a.pixels.size() * sizeof(float)) == 0;
}

struct ReferenceCase {
  const char *name;  // of the reference file in tests/qzrender/reference
  const char *scene; // in examples/
  std::vector<std::string> options;
  float tolerance; // per channel: 0 for float data; 1 step for 8-bit sRGB
};

class ReferenceImages : public ::testing::TestWithParam<ReferenceCase> {};

// QZRENDER_UPDATE_REFERENCES=1 writes the rendered images over the
// references instead (check them by eye before committing).
TEST_P(ReferenceImages, MatchTheCheckedInImage) {
  const ReferenceCase &c = GetParam();
  SceneFolder folder;
  std::vector<std::string> arguments{example(c.scene)};
  arguments.insert(arguments.end(), c.options.begin(), c.options.end());
  const ImageFile rendered = renderImage(folder, c.name, arguments);
  const std::string reference = std::string(QZ_REFERENCE_DIR) + "/" + c.name;
  if (std::getenv("QZRENDER_UPDATE_REFERENCES")) {
    std::filesystem::copy_file(folder.file(c.name), reference, std::filesystem::copy_options::overwrite_existing);
    GTEST_SKIP() << "updated " << reference;
  }
  const ImageFile expected = readImageFile(reference);
  ASSERT_EQ(rendered.width, expected.width);
  ASSERT_EQ(rendered.height, expected.height);
  ASSERT_EQ(rendered.channelNames, expected.channelNames);
  if (c.tolerance == 0.0f) {
    EXPECT_TRUE(samePixels(rendered, expected)) << c.name << " differs from its reference";
    return;
  }
  float worst = 0.0f;
  for (size_t i = 0; i < rendered.pixels.size(); ++i)
    worst = std::max(worst, std::fabs(rendered.pixels[i] - expected.pixels[i]));
  EXPECT_LE(worst, c.tolerance) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ReferenceImages,
    ::testing::Values(
        ReferenceCase{"full_view_escape.exr", "full_view_ramp.mi", {"--res", "64", "48", "--shader", "fractal"}, 0},
        ReferenceCase{"full_view_ramp.exr", "full_view_ramp.mi", {"--res", "64", "48"}, 0},
        ReferenceCase{
            "boundary_closeup_escape.exr", "boundary_closeup.mi", {"--res", "48", "48", "--shader", "fractal"}, 0},
        ReferenceCase{"gradient.png", "gradient.mi", {"--res", "64", "48", "--samples", "2"}, 1}),
    [](const auto &caseInfo) {
      std::string name = caseInfo.param.name;
      return name.substr(0, name.find('.')) + "_" + name.substr(name.find('.') + 1);
    });

TEST(Render, SameImageForOneAndTwoThreads) {
  SceneFolder folder;
  const std::vector<std::string> scene{example("full_view_ramp.mi"), "--res", "40", "30", "--samples", "2"};
  auto one = scene, two = scene;
  one.insert(one.end(), {"-t", "1"});
  two.insert(two.end(), {"-t", "2"});
  EXPECT_TRUE(samePixels(renderImage(folder, "one.exr", one), renderImage(folder, "two.exr", two)));
}

// Four crops, pasted at their data windows, give the full render bit for
// bit, in this test and with oiiotool as the documentation shows; each crop
// keeps the full frame as its display window.
TEST(Render, CropsAssembleToTheFullFrame) {
  SceneFolder folder;
  const std::vector<std::string> scene{example("full_view_ramp.mi"), "--res", "40", "30", "--samples", "2"};
  const ImageFile full = renderImage(folder, "full.exr", scene);
  ImageFile assembled = full;
  std::fill(assembled.pixels.begin(), assembled.pixels.end(), -1.0f);
  const std::vector<std::vector<std::string>> regions{
      {"0", "0", "16", "10"}, {"17", "0", "39", "10"}, {"0", "11", "16", "29"}, {"17", "11", "39", "29"}};
  for (size_t r = 0; r < regions.size(); ++r) {
    const auto &region = regions[r];
    auto arguments = scene;
    arguments.push_back("--region");
    arguments.insert(arguments.end(), region.begin(), region.end());
    const ImageFile crop = renderImage(folder, "crop" + std::to_string(r) + ".exr", arguments);
    EXPECT_EQ(crop.x, std::stoi(region[0]));
    EXPECT_EQ(crop.y, std::stoi(region[1]));
    EXPECT_EQ(crop.width, std::stoi(region[2]) - std::stoi(region[0]) + 1);
    EXPECT_EQ(crop.fullWidth, 40);
    EXPECT_EQ(crop.fullHeight, 30);
    for (int y = 0; y < crop.height; ++y)
      std::memcpy(&assembled.pixels[((crop.y + y) * 40 + crop.x) * 4], &crop.pixels[y * crop.width * 4],
                  crop.width * 4 * sizeof(float));
  }
  EXPECT_TRUE(samePixels(assembled, full));

  const std::string paste = "cd '" + folder.path() +
                            "' && oiiotool crop3.exr crop2.exr crop1.exr crop0.exr --croptofull "
                            "--paste - --paste - --paste - -o pasted.exr";
  ASSERT_EQ(std::system(paste.c_str()), 0) << paste;
  const ImageFile pasted = readImageFile(folder.file("pasted.exr"));
  EXPECT_EQ(pasted.x, 0);
  EXPECT_EQ(pasted.y, 0);
  EXPECT_TRUE(samePixels(pasted, full));
}

// Pixel (x, y), row 0 at the top: u = (x + 0.5) / W, v = 1 - (y + 0.5) / H;
// with N x N samples the average over the centres of N x N equal cells.
TEST(Render, SamplesAtPixelCentresAndCellCentres) {
  SceneFolder folder;
  const std::string scene = folder.write("uv.mi", "link \"qztest_shaders.so\"\n$include \"qztest_shaders.mi\"\n"
                                                  "shader \"uv\" \"qzTestUv\" ()\n");
  auto arguments = testShaderFolders();
  arguments.insert(arguments.end(), {scene, "--res", "7", "5"});
  const ImageFile centres = renderImage(folder, "centres.exr", arguments);
  ASSERT_EQ(centres.channelNames, (std::vector<std::string>{"R", "G", "B", "A"}));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      const float *pixel = &centres.pixels[(y * 7 + x) * 4];
      EXPECT_EQ(pixel[0], static_cast<float>((x + 0.5) / 7)) << x << "," << y;
      EXPECT_EQ(pixel[1], static_cast<float>(1.0 - (y + 0.5) / 5)) << x << "," << y;
      EXPECT_EQ(pixel[3], 1.0f);
    }

  arguments.insert(arguments.end(), {"--samples", "3"});
  const ImageFile cells = renderImage(folder, "cells.exr", arguments);
  const int x = 4, y = 1;
  double u = 0.0, v = 0.0;
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) {
      u += static_cast<float>((x + (i + 0.5) / 3) / 7);
      v += static_cast<float>(1.0 - (y + (j + 0.5) / 3) / 5);
    }
  EXPECT_EQ(cells.pixels[(y * 7 + x) * 4], static_cast<float>(u / 9));
  EXPECT_EQ(cells.pixels[(y * 7 + x) * 4 + 1], static_cast<float>(v / 9));
}

// EXR keeps attributes of qzrender's own; TIFF only its standard tags, so
// the description holds everything there.
TEST(Render, MetadataNamesSceneShaderAndParameters) {
  SceneFolder folder;
  const std::vector<std::string> arguments{example("gradient.mi"), "--res", "8", "6", "--param",
                                           "fractal.iterations=80"};
  const std::string gradient = "gradient qzFractalColorizerSimple (value = fractal, zeroColor 0.0199999996 ";
  const std::string fractal = "fractal qzFractalMandelbrot (left -2.25, right 0.75, top 1.125, bottom -1.125, "
                              "iterations 80, texSpace 0)";
  const ImageFile exr = renderImage(folder, "meta.exr", arguments);
  EXPECT_EQ(exr.attribute("qzrender:scene"), example("gradient.mi"));
  EXPECT_EQ(exr.attribute("qzrender:shader"), "gradient");
  EXPECT_EQ(exr.attribute("qzrender:parameters").find(gradient), 0u) << exr.attribute("qzrender:parameters");
  EXPECT_NE(exr.attribute("qzrender:parameters").find(fractal), std::string::npos);

  const std::string description = renderImage(folder, "meta.tif", arguments).attribute("ImageDescription");
  EXPECT_EQ(description.find("scene " + example("gradient.mi") + ", shader gradient, 1x1 samples\n" + gradient), 0u)
      << description;
  EXPECT_NE(description.find(fractal), std::string::npos);
}

TEST(Render, FarmProgressLinesAndSummary) {
  SceneFolder folder;
  const RunResult run =
      runQzrender({example("gradient.mi"), "--res", "16", "200", "-o", folder.file("p.exr"), "--progress"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  std::istringstream lines(run.standardOutput);
  std::string line, last;
  int progressLines = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("ALF_PROGRESS ", 0) == 0) {
      ++progressLines;
      EXPECT_EQ(line.back(), '%') << line;
      last = line;
    } else {
      EXPECT_NE(line.find("qzrender: " + folder.file("p.exr") + " 16x200, 1x1 samples, "), std::string::npos) << line;
      EXPECT_NE(line.find(" samples/s"), std::string::npos) << line;
    }
  }
  EXPECT_GE(progressLines, 1);
  EXPECT_EQ(last, "ALF_PROGRESS 100%");

  const RunResult quiet =
      runQzrender({example("gradient.mi"), "--res", "8", "8", "-o", folder.file("q.exr"), "--quiet"});
  EXPECT_EQ(quiet.exitCode, 0);
  EXPECT_EQ(quiet.standardOutput, "");
  EXPECT_EQ(quiet.standardError, "");
}

// Libraries and includes come from the renderer family's variables and the
// scene's folder when no -L or -I names them.
TEST(Render, SearchPathsFromEnvironmentAndSceneFolder) {
  SceneFolder folder;
  const std::string scene = folder.write("uv.mi", "link \"qztest_shaders.so\"\n$include \"qztest_shaders.mi\"\n"
                                                  "shader \"uv\" \"qzTestUv\" ()\n");
  const std::vector<std::string> arguments{scene, "--res", "2", "2", "-o", folder.file("uv.exr"), "--quiet"};
  const std::string libraries = std::string("MI_LIBRARY_PATH=/nonexistent:") + QZ_TEST_SHADERS_DIR;
  const std::string includes = std::string("MI_RAY_INCPATH=") + QZ_TEST_SCENES_DIR + ":/nonexistent";

  EXPECT_EQ(runQzrender(arguments, {libraries, includes}).exitCode, 0);
  std::filesystem::copy_file(std::string(QZ_TEST_SCENES_DIR) + "/qztest_shaders.mi", folder.file("qztest_shaders.mi"));
  EXPECT_EQ(runQzrender(arguments, {libraries, "MI_RAY_INCPATH="}).exitCode, 0);
  const RunResult withoutLibraries = runQzrender(arguments, {"MI_LIBRARY_PATH=", "MI_RAY_INCPATH="});
  EXPECT_EQ(withoutLibraries.exitCode, 1);
  EXPECT_NE(withoutLibraries.standardError.find("uv.mi:1:6: error: cannot find library \"qztest_shaders.so\""),
            std::string::npos)
      << withoutLibraries.standardError;
}

struct FailureCase {
  const char *name;
  std::vector<std::string> arguments; // {folder} stands for the test's folder
  int exitCode;
  std::string message; // {folder} likewise
};

void PrintTo(const FailureCase &c, std::ostream *out) { *out << c.name; }

class Failures : public ::testing::TestWithParam<FailureCase> {};

void replaceFolder(std::string &text, const std::string &folder) {
  for (size_t at = text.find("{folder}"); at != std::string::npos; at = text.find("{folder}"))
    text.replace(at, 8, folder);
}

// One message, a non-zero status, and nothing left in the output's folder.
TEST_P(Failures, LeaveNoFileBehind) {
  SceneFolder folder;
  folder.write("broken.mi", "link \"qzFractalMandelbrot.so\"\n$include \"qzFractalMandelbrot.mi\"\n"
                            "shader \"m\" \"qzFractalMandelbrot\" ( \"iterations\" 10.5 )\n");
  std::vector<std::string> arguments = GetParam().arguments;
  for (std::string &argument : arguments)
    replaceFolder(argument, folder.path());
  std::string message = GetParam().message;
  replaceFolder(message, folder.path());
  const RunResult run = runQzrender(arguments);
  EXPECT_EQ(run.exitCode, GetParam().exitCode);
  EXPECT_EQ(run.standardError, message + "\n");
  EXPECT_EQ(folder.listing(), "broken.mi");
}

INSTANTIATE_TEST_SUITE_P(
    Table, Failures,
    ::testing::Values(
        FailureCase{"SceneError",
                    {"{folder}/broken.mi", "-o", "{folder}/out.exr"},
                    1,
                    "{folder}/broken.mi:3:49: error: parameter \"iterations\" takes an integer, found 10.5"},
        FailureCase{"MissingScene",
                    {"{folder}/none.mi", "-o", "{folder}/out.exr"},
                    1,
                    "{folder}/none.mi: error: cannot read the file: No such file or directory"},
        FailureCase{"OutputFolderMissing",
                    {QZ_EXAMPLES_DIR "/gradient.mi", "--res", "8", "8", "-o", "{folder}/no/out.png"},
                    1,
                    "qzrender: error: cannot write \"{folder}/no/out.png\": No such file or directory"},
        FailureCase{
            "ShaderReportsFatal",
            {QZ_TEST_SCENES_DIR "/fatal.mi", "-L", QZ_TEST_SHADERS_DIR, "--res", "1", "1", "-o", "{folder}/out.exr"},
            1,
            "fatal: qzTestFatal gives up\nqzrender: error: a shader reported a fatal error; no image written"},
        FailureCase{"BadOption",
                    {"{folder}/broken.mi", "-o", "{folder}/out.exr", "--samples", "0"},
                    2,
                    "qzrender: error: --samples: 0 is outside 1 to 64"},
        // Mistakes in --shader and --param show only once the scene is read,
        // but are the command line's all the same.
        FailureCase{"UnknownShader",
                    {QZ_EXAMPLES_DIR "/gradient.mi", "-o", "{folder}/out.exr", "--shader", "ramp"},
                    2,
                    "--shader ramp: error: the scene has no shader instance \"ramp\""},
        FailureCase{"ParamUnknownInstance",
                    {QZ_EXAMPLES_DIR "/gradient.mi", "-o", "{folder}/out.exr", "--param", "ramp.iterations=5"},
                    2,
                    "--param ramp.iterations=5: error: the scene has no shader instance \"ramp\""},
        FailureCase{"ParamUnknownParameter",
                    {QZ_EXAMPLES_DIR "/gradient.mi", "-o", "{folder}/out.exr", "--param", "fractal.budget=5"},
                    2,
                    "--param fractal.budget=5: error: shader \"qzFractalMandelbrot\" has no parameter \"budget\""},
        FailureCase{"ParamWrongValue",
                    {QZ_EXAMPLES_DIR "/gradient.mi", "-o", "{folder}/out.exr", "--param", "fractal.iterations=1.5"},
                    2,
                    "--param fractal.iterations=1.5: error: parameter \"iterations\" takes an integer, found 1.5"},
        FailureCase{"ParamRefusedOnLoad",
                    {QZ_EXAMPLES_DIR "/gradient.mi", "-o", "{folder}/out.exr", "--param", "fractal.texSpace=64"},
                    2,
                    "--param fractal.texSpace=64: error: texture space 64 is not served: qzrender gives every sample "
                    "texture spaces 0 to 63"}),
    [](const auto &caseInfo) { return std::string(caseInfo.param.name); });

} // namespace
