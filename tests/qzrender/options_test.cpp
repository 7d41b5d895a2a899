// qzrender's command line: what it accepts, and one message naming the
// option for each mistake.
#include <gtest/gtest.h>

#include <sstream>

#include "options.h"

namespace {

using qzrender::OptionError;
using qzrender::Options;
using qzrender::parseOptions;

std::vector<std::string> split(const std::string &line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

TEST(Options, DefaultsAndEveryOption) {
  const Options defaults = parseOptions(split("s.mi -o o.exr"), 6);
  EXPECT_EQ(defaults.render.width, 512);
  EXPECT_EQ(defaults.render.height, 512);
  EXPECT_EQ(defaults.render.samples, 1);
  EXPECT_EQ(defaults.render.threads, 6);
  EXPECT_EQ(defaults.render.region, (qzrender::Region{0, 0, 511, 511}));
  EXPECT_TRUE(defaults.shader.empty());

  const Options all = parseOptions(split("-o o.png --shader ramp --res 64 32 --samples 3 -t 2 --region 1 2 10 20 "
                                         "--param a.b=1 --param c.d=2 -L l1 -L l2 -I i1 --progress --quiet s.mi"),
                                   6);
  EXPECT_EQ(all.scene, "s.mi");
  EXPECT_EQ(all.output, "o.png");
  EXPECT_EQ(all.shader, "ramp");
  EXPECT_EQ(all.render.width, 64);
  EXPECT_EQ(all.render.height, 32);
  EXPECT_EQ(all.render.samples, 3);
  EXPECT_EQ(all.render.threads, 2);
  EXPECT_EQ(all.render.region, (qzrender::Region{1, 2, 10, 20}));
  EXPECT_EQ(all.overrides, (std::vector<std::string>{"a.b=1", "c.d=2"}));
  EXPECT_EQ(all.libraryFolders, (std::vector<std::string>{"l1", "l2"}));
  EXPECT_EQ(all.includeFolders, (std::vector<std::string>{"i1"}));
  EXPECT_TRUE(all.progress && all.quiet);
}

TEST(Options, HelpAndVersionNeedNothingElse) {
  EXPECT_TRUE(parseOptions({"--help"}, 1).help);
  EXPECT_TRUE(parseOptions({"--version"}, 1).version);
}

struct OptionCase {
  const char *arguments;
  const char *message;
};

class OptionErrors : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionErrors, NameTheOption) {
  try {
    parseOptions(split(GetParam().arguments), 2);
    ADD_FAILURE() << "accepted: " << GetParam().arguments;
  } catch (const OptionError &error) {
    EXPECT_STREQ(error.what(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, OptionErrors,
    ::testing::Values(
        OptionCase{"-o o.exr", "no scene file given (see qzrender --help)"},
        OptionCase{"s.mi", "-o: no output image given"},
        OptionCase{"s.mi t.mi -o o.exr", "more than one scene file: \"s.mi\" and \"t.mi\""},
        OptionCase{"s.mi -o o.exr --fast", "unknown option \"--fast\" (see qzrender --help)"},
        OptionCase{"s.mi -o o.jpg",
                   "-o: unsupported file type \".jpg\" (qzrender writes .exr, .tif, .tiff, .png and .pfm)"},
        OptionCase{"s.mi -o image", "-o: no file extension (qzrender writes .exr, .tif, .tiff, .png and .pfm)"},
        OptionCase{"s.mi -o o.exr --res 64", "--res: expects 2 values"},
        OptionCase{"s.mi -o o.exr --res 0 64", "--res: 0 is outside 1 to 65536"},
        OptionCase{"s.mi -o o.exr --res 64 70000", "--res: 70000 is outside 1 to 65536"},
        OptionCase{"s.mi -o o.exr --res 64 6x4", "--res: \"6x4\" is not a whole number"},
        OptionCase{"s.mi -o o.exr --res 64 -4", "--res: -4 is outside 1 to 65536"},
        OptionCase{"s.mi -o o.exr --res 99999999999999999999 4",
                   "--res: \"99999999999999999999\" is not a whole number"},
        OptionCase{"s.mi -o o.exr --res 20000 20000",
                   "--res: 400000000 pixels are more than the 134217728 qzrender renders at once; split the frame "
                   "with --region"},
        OptionCase{"s.mi -o o.exr --samples 0", "--samples: 0 is outside 1 to 64"},
        OptionCase{"s.mi -o o.exr --samples 65", "--samples: 65 is outside 1 to 64"},
        OptionCase{"s.mi -o o.exr -t 0", "-t: 0 is outside 1 to 1024"},
        OptionCase{"s.mi -o o.exr -t", "-t: expects 1 value"},
        OptionCase{"s.mi -o o.exr --res 64 64 --region 0 0 64 10", "--region: 0 0 64 10 lies outside the 64x64 frame"},
        OptionCase{"s.mi -o o.exr --res 64 64 --region 10 0 5 10",
                   "--region: X0 Y0 X1 Y1 must have X0 <= X1 and Y0 <= Y1"},
        OptionCase{"s.mi -o o.exr --region -1 0 5 5", "--region: -1 is outside 0 to 65535"},
        OptionCase{"s.mi -o o.exr --param", "--param: expects 1 value"}),
    [](const auto &caseInfo) { return "Case" + std::to_string(caseInfo.index); });

} // namespace
