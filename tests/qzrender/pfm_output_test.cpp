// The Portable Float Map qzrender writes without any library: its header
// bytes, rows from the bottom up, the rendered floats bit for bit (colour
// without alpha, scalar as its one channel), and crops as pictures of their
// own.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>

#include "image_file.h"
#include "pfm_writer.h"
#include "qzrender_run.h"
#include "scene_folder.h"

namespace {

using namespace qztest;
using qzrender::Image;

std::string fileBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Floats as they lie in a little-endian file.
std::string floatBytes(const std::vector<float> &values) {
  return std::string(reinterpret_cast<const char *>(values.data()), values.size() * sizeof(float));
}

float fromBits(uint32_t bits) { return std::bit_cast<float>(bits); }

std::string written(const SceneFolder &folder, const Image &image) {
  const std::string path = folder.file("image.pfm");
  EXPECT_EQ(qzrender::writePfm(path, image), "");
  return fileBytes(path);
}

TEST(PfmWriter, ColourIsRgbFromTheBottomRowUpWithoutAlpha) {
  SceneFolder folder;
  const Image image{2, 2, 4, {1, 2, 3, 4, 5, 6, 7, 8, /* row 1 */ 9, 10, 11, 12, 13, 14, 15, 16}};
  EXPECT_EQ(written(folder, image), "PF\n2 2\n-1.0\n" + floatBytes({9, 10, 11, 13, 14, 15, 1, 2, 3, 5, 6, 7}));
}

// Every bit pattern passes unchanged: a NaN's payload, a negative zero, a
// subnormal, infinity.
TEST(PfmWriter, ScalarIsItsOneChannelBitForBit) {
  SceneFolder folder;
  const float nan = fromBits(0x7FC01234), negativeZero = fromBits(0x80000000), subnormal = fromBits(0x00000001);
  const float infinity = fromBits(0x7F800000);
  const Image image{3, 2, 1, {nan, negativeZero, subnormal, /* row 1 */ infinity, 0.25f, -3.0f}};
  EXPECT_EQ(written(folder, image),
            "Pf\n3 2\n-1.0\n" + floatBytes({infinity, 0.25f, -3.0f, nan, negativeZero, subnormal}));
}

// 12000 bytes a row: the rows go out in several gathered writes, the last
// one partial.
TEST(PfmWriter, RowsSpanningSeveralWritesKeepTheirOrder) {
  SceneFolder folder;
  const int width = 1000, height = 300;
  Image image{width, height, 4, qzrender::PixelBuffer(static_cast<size_t>(width) * height * 4)};
  for (size_t i = 0; i < image.pixels.size(); ++i)
    image.pixels[i] = static_cast<float>(i);
  const std::string bytes = written(folder, image);
  const std::string header = "PF\n1000 300\n-1.0\n";
  ASSERT_EQ(bytes.size(), header.size() + size_t{width} * height * 3 * sizeof(float));
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    std::vector<float> expected;
    const int y = height - 1 - fileRow;
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        expected.push_back(static_cast<float>((y * width + x) * 4 + c));
    const std::string row = floatBytes(expected);
    ASSERT_EQ(bytes.compare(header.size() + fileRow * row.size(), row.size(), row), 0) << "file row " << fileRow;
  }
}

TEST(PfmWriter, FailureSaysWhy) {
  SceneFolder folder;
  EXPECT_EQ(qzrender::writePfm(folder.file("no/image.pfm"), Image{1, 1, 1, {0.0f}}), "No such file or directory");
}

struct PfmFile {
  std::string header;
  int width = 0, height = 0, channels = 0;
  std::vector<float> values; // as in the file: bottom row first

  // Channel c of pixel (x, y), row 0 at the top.
  float at(int x, int y, int c) const { return values[((height - 1 - y) * width + x) * channels + c]; }
};

PfmFile readPfm(const std::string &path) {
  const std::string bytes = fileBytes(path);
  std::istringstream in(bytes);
  PfmFile file;
  std::string type, scale;
  std::getline(in, type);
  in >> file.width >> file.height;
  in.ignore(1);
  std::getline(in, scale);
  file.channels = type == "PF" ? 3 : 1;
  file.header = type + "\n" + std::to_string(file.width) + " " + std::to_string(file.height) + "\n" + scale + "\n";
  const size_t start = static_cast<size_t>(in.tellg());
  file.values.resize((bytes.size() - start) / sizeof(float));
  std::memcpy(file.values.data(), bytes.data() + start, file.values.size() * sizeof(float));
  EXPECT_EQ(file.values.size(), static_cast<size_t>(file.width) * file.height * file.channels) << path;
  return file;
}

bool sameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

const std::string kScene = std::string(QZ_EXAMPLES_DIR) + "/full_view_ramp.mi";

void render(const SceneFolder &folder, const std::string &output, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), kScene);
  arguments.insert(arguments.end(), {"--res", "40", "30", "--samples", "2", "-o", folder.file(output), "--quiet"});
  const RunResult run = runQzrender(arguments);
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
}

struct ShaderCase {
  const char *name;
  std::vector<std::string> options;
  const char *header;
};

void PrintTo(const ShaderCase &c, std::ostream *out) { *out << c.name; }

class PfmOutput : public ::testing::TestWithParam<ShaderCase> {};

// The PFM holds the floats of the EXR (which keeps them as rendered), the
// colour's alpha left out.
TEST_P(PfmOutput, HoldsTheRenderedFloats) {
  SceneFolder folder;
  render(folder, "image.exr", GetParam().options);
  render(folder, "image.pfm", GetParam().options);
  const ImageFile exr = readImageFile(folder.file("image.exr"));
  const PfmFile pfm = readPfm(folder.file("image.pfm"));
  EXPECT_EQ(pfm.header, GetParam().header);
  ASSERT_EQ(pfm.values.size(), static_cast<size_t>(40 * 30 * pfm.channels));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      for (int c = 0; c < pfm.channels; ++c)
        ASSERT_TRUE(sameBits(pfm.at(x, y, c), exr.pixels[(y * 40 + x) * exr.channels + c]))
            << x << "," << y << " channel " << c;
}

INSTANTIATE_TEST_SUITE_P(Shaders, PfmOutput,
                         ::testing::Values(ShaderCase{"Colour", {}, "PF\n40 30\n-1.0\n"},
                                           ShaderCase{"Scalar", {"--shader", "fractal"}, "Pf\n40 30\n-1.0\n"}),
                         [](const auto &caseInfo) { return std::string(caseInfo.param.name); });

TEST(PfmOutput, CropIsAPictureOfItsOwn) {
  SceneFolder folder;
  render(folder, "full.pfm", {});
  render(folder, "crop.pfm", {"--region", "5", "3", "24", "20"});
  const PfmFile full = readPfm(folder.file("full.pfm"));
  const PfmFile crop = readPfm(folder.file("crop.pfm"));
  EXPECT_EQ(crop.header, "PF\n20 18\n-1.0\n");
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 20; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_TRUE(sameBits(crop.at(x, y, c), full.at(x + 5, y + 3, c))) << x << "," << y;
}

} // namespace
