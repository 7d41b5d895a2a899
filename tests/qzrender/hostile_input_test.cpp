// Hostile input for qzrender: broken, huge, endless, cyclic and out-of-range
// scene files and command lines. Each case must end with a clear message (a
// few lines naming the problem) and a non-zero exit, not a signal; within a
// time limit and, outside the sanitizer builds, an address-space limit; and
// must leave its folder as it found it: no image, no temporary file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "scene_folder.h"

namespace {

using namespace qztest;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QZ_TEST_SANITIZED 1
#endif
#if __has_feature(thread_sanitizer)
#define QZ_TEST_SANITIZED 1
#define QZ_TEST_THREAD_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QZ_TEST_SANITIZED 1
#endif
#if defined(__SANITIZE_THREAD__)
#define QZ_TEST_SANITIZED 1
#define QZ_TEST_THREAD_SANITIZED 1
#endif

constexpr auto kTimeLimit = std::chrono::seconds(60);
constexpr rlim_t kAddressSpaceLimit = rlim_t{2} << 30;

struct LimitedRun {
  int exitCode = -1; // -1: ended by a signal
  int signal = 0;
  bool timedOut = false;
  double seconds = 0.0;
  long peakKilobytes = 0;
  std::string standardError;
};

// Runs qzrender in a child with the limits set, its output and error in
// files outside the case's folder.
LimitedRun runLimited(const std::vector<std::string> &arguments, rlim_t addressSpace) {
  SceneFolder logs;
  const std::string errorPath = logs.file("stderr");
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
#ifndef QZ_TEST_SANITIZED
    const rlimit space{addressSpace, addressSpace};
    setrlimit(RLIMIT_AS, &space);
#else
    (void)addressSpace; // the sanitizers reserve terabytes of address space
#endif
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::freopen("/dev/null", "r", stdin);
    std::freopen("/dev/null", "w", stdout);
    std::freopen(errorPath.c_str(), "w", stderr);
    std::vector<char *> argv{const_cast<char *>(QZRENDER_EXE)};
    for (const std::string &argument : arguments)
      argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    execv(QZRENDER_EXE, argv.data());
    _exit(127);
  }
  LimitedRun run;
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, WNOHANG, &usage) == 0) {
    if (std::chrono::steady_clock::now() - start > kTimeLimit) {
      kill(child, SIGKILL);
      wait4(child, &status, 0, &usage);
      run.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKilobytes = usage.ru_maxrss;
  if (WIFEXITED(status))
    run.exitCode = WEXITSTATUS(status);
  else
    run.signal = WTERMSIG(status);
  std::ifstream in(errorPath, std::ios::binary);
  run.standardError.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return run;
}

const std::string kLinks = "link \"qzFractalMandelbrot.so\"\nlink \"qzFractalColorizerArea5.so\"\n"
                           "$include \"qzFractalMandelbrot.mi\"\n$include \"qzFractalColorizerArea5.mi\"\n";
const std::string kFractal = "shader \"fractal\" \"qzFractalMandelbrot\" (\n"
                             "    \"left\" -2, \"right\" 1, \"bottom\" -1.5, \"top\" 1.5,\n"
                             "    \"iterations\" 100, \"texSpace\" 0\n)\n";
const std::string kPalette = "shader \"palette\" \"qzFractalColorizerArea5\" (\n"
                             "    \"value\" = \"fractal\",\n"
                             "    \"limit1\" 0.02, \"limit2\" 0.05, \"limit3\" 0.1, \"limit4\" 0.2, \"limit5\" 1,\n"
                             "    \"color0\" 0 0 0 1\n)\n";
const std::string kValidScene = kLinks + kFractal + kPalette;

std::string withFractalValue(const std::string &parameter, const std::string &value) {
  std::string scene = kValidScene;
  const std::string from = "\"" + parameter + "\" ";
  const size_t at = scene.find(from);
  const size_t end = scene.find_first_of(",\n", at);
  return scene.replace(at + from.size(), end - at - from.size(), value);
}

// A scene whose instance k reads both ends of its rectangle from instance
// k-1: one sample runs 2^depth shaders.
std::string exponentialNetwork(int depth) {
  std::string scene = "link \"qzFractalMandelbrot.so\"\n$include \"qzFractalMandelbrot.mi\"\n"
                      "shader \"m0\" \"qzFractalMandelbrot\" ()\n";
  for (int k = 1; k <= depth; ++k)
    scene += "shader \"m" + std::to_string(k) + "\" \"qzFractalMandelbrot\" ( \"left\" = \"m" + std::to_string(k - 1) +
             "\", \"right\" = \"m" + std::to_string(k - 1) + "\" )\n";
  return scene;
}

// Two chains of 41 instances, the second ending in the first: 82 shaders
// nest below b0, though each chain alone stays within the limit.
std::string chainsEndToEnd() {
  std::string scene = "link \"qzFractalMandelbrot.so\"\n$include \"qzFractalMandelbrot.mi\"\n";
  for (const std::string chain : {"a", "b"})
    for (int k = 0; k <= 40; ++k) {
      const std::string next = k < 40 ? chain + std::to_string(k + 1) : chain == "b" ? "a0" : "";
      scene += "shader \"" + chain + std::to_string(k) + "\" \"qzFractalMandelbrot\" (" +
               (next.empty() ? "" : " \"left\" = \"" + next + "\" ") + ")\n";
    }
  return scene;
}

std::string garbage(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char &byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

struct HostileCase {
  const char *name;
  // Writes the case's files into the folder and returns qzrender's
  // arguments, where {dir} stands for the folder.
  std::function<std::vector<std::string>(const SceneFolder &)> prepare;
  std::string message; // must appear in the error output
  int exitCode = 1;
  bool skipAsRoot = false; // root writes where the case relies on a permission
};

// Test names and listings show the case by its name.
void PrintTo(const HostileCase &c, std::ostream *out) { *out << c.name; }

std::vector<std::string> render(const std::string &scene, std::vector<std::string> more = {}) {
  std::vector<std::string> arguments{scene, "-L", QZ_PLUGIN_DIR, "-I", QZ_DECLARATION_DIR, "--res", "8", "8"};
  arguments.insert(arguments.end(), more.begin(), more.end());
  if (std::find(arguments.begin(), arguments.end(), "-o") == arguments.end())
    arguments.insert(arguments.end(), {"-o", "{dir}/out.png"});
  return arguments;
}

auto sceneCase(const char *name, std::function<std::string()> scene, std::string message,
               std::vector<std::string> more = {}) {
  return HostileCase{name,
                     [scene, more](const SceneFolder &folder) {
                       folder.write("scene.mi", scene());
                       return render(folder.file("scene.mi"), more);
                     },
                     std::move(message)};
}

auto optionCase(const char *name, std::vector<std::string> more, std::string message) {
  return HostileCase{name,
                     [more](const SceneFolder &folder) {
                       folder.write("scene.mi", kValidScene);
                       return render(folder.file("scene.mi"), more);
                     },
                     std::move(message), 2};
}

std::vector<HostileCase> cases() {
  std::vector<HostileCase> all = {
      sceneCase(
          "TruncatedFile", [] { return kValidScene.substr(0, kValidScene.size() - 40); }, "found end of file"),
      sceneCase(
          "BinaryGarbage", [] { return garbage(64 << 10); }, "error: unexpected character"),
      sceneCase(
          "HundredMegabyteLine", [] { return "# " + std::string(100u << 20, 'x') + "\n"; },
          "error: cannot read the file: larger than 16 MiB"),
      {"EndlessFile", [](const SceneFolder &) { return render("/dev/zero"); }, "larger than 16 MiB"},
      {"MillionInstances",
       [](const SceneFolder &folder) {
         std::string scene = "link \"qzFractalMandelbrot.so\"\n$include \"qzFractalMandelbrot.mi\"\n";
         for (int part = 0; part < 100; ++part) {
           std::string text;
           for (int i = 0; i < 10000; ++i)
             text += "shader \"p" + std::to_string(part) + "i" + std::to_string(i) + "\" \"qzFractalMandelbrot\" ()\n";
           folder.write("part" + std::to_string(part) + ".mi", text);
           scene += "$include \"part" + std::to_string(part) + ".mi\"\n";
         }
         folder.write("scene.mi", scene);
         return render(folder.file("scene.mi"));
       },
       "error: more than 10000 shader instances"},
      {"DeepInclude",
       [](const SceneFolder &folder) {
         for (int i = 0; i < 200; ++i)
           folder.write("level" + std::to_string(i) + ".mi", "$include \"level" + std::to_string(i + 1) + ".mi\"\n");
         folder.write("level200.mi", kValidScene);
         return render(folder.file("level0.mi"));
       },
       "error: $include nested more than 16 deep"},
      {"CyclicInclude",
       [](const SceneFolder &folder) {
         folder.write("scene.mi", kLinks + "$include \"other.mi\"\n");
         folder.write("other.mi", "$include \"scene.mi\"\n");
         return render(folder.file("scene.mi"));
       },
       "error: $include cycle"},
      sceneCase(
          "IntegerOutOfRange", [] { return withFractalValue("iterations", "99999999999"); }, "is out of range"),
      sceneCase(
          "ScalarOutOfRange", [] { return withFractalValue("left", "-1e39"); }, "is out of range for a scalar"),
      sceneCase(
          "NaNValue", [] { return withFractalValue("left", "nan"); }, "takes a scalar, found \"nan\""),
      sceneCase(
          "InfinityValue", [] { return withFractalValue("top", "inf"); }, "takes a scalar, found \"inf\""),
      sceneCase(
          "NegativeInfinityValue", [] { return withFractalValue("bottom", "-inf"); }, "unexpected character '-'"),
      optionCase("NaNOverride", {"--param", "fractal.left=nan"}, "takes a scalar, found \"nan\""),
      optionCase("LongOverride", {"--param", "fractal.left=" + std::string(100000, '1')},
                 "number is longer than 64 characters"),
      sceneCase(
          "ExponentialNetwork", [] { return exponentialNetwork(40); }, "shaders for every sample"),
      sceneCase("ConnectionsNestedTooDeep", chainsEndToEnd, "connections below \"b0\" nest 82 shaders deep",
                {"--shader", "b0"}),
      optionCase("ResolutionOutOfRange", {"--res", "100000", "100000"}, "--res: 100000 is outside 1 to 65536"),
      optionCase("NegativeResolution", {"--res", "-8", "8"}, "--res: -8 is outside"),
      optionCase("ResolutionNotANumber", {"--res", "1e3", "8"}, "--res: \"1e3\" is not a whole number"),
      optionCase("SamplesOutOfRange", {"--samples", "1000000"}, "--samples: 1000000 is outside 1 to 64"),
      optionCase("ThreadsZero", {"-t", "0"}, "-t: 0 is outside"),
      optionCase("RegionOutsideFrame", {"--region", "0", "0", "8", "8"}, "lies outside the 8x8 frame"),
      optionCase("MissingValue", {"-o", "{dir}/out.png", "--samples"}, "--samples: expects 1 value"),
      optionCase("UnknownOption", {"--fast"}, "unknown option \"--fast\""),
      optionCase("HugeArgument", {"--" + std::string(100000, 'x')}, "unknown option \"--xxx"),
      optionCase("UnknownImageType", {"-o", "{dir}/out.jpg2"}, "-o:"),
      {"NoArguments", [](const SceneFolder &) { return std::vector<std::string>{}; }, "no scene file given", 2},
      {"SceneIsAFolder", [](const SceneFolder &folder) { return render(folder.path()); }, "it is a folder"},
      {"OutputFolderMissing",
       [](const SceneFolder &folder) {
         folder.write("scene.mi", kValidScene);
         return render(folder.file("scene.mi"), {"-o", "{dir}/missing/out.png"});
       },
       "cannot write \"{dir}/missing/out.png\": No such file or directory"},
      {"OutputUnderAFile",
       [](const SceneFolder &folder) {
         folder.write("scene.mi", kValidScene);
         return render(folder.file("scene.mi"), {"-o", "{dir}/scene.mi/out.png"});
       },
       "Not a directory"},
      {"OutputIsAFolder",
       [](const SceneFolder &folder) {
         folder.write("scene.mi", kValidScene);
         std::filesystem::create_directory(folder.file("out.png"));
         return render(folder.file("scene.mi"));
       },
       "it is a folder"},
      // /proc takes no new files, not even from root.
      {"OutputOnReadOnlyFileSystem",
       [](const SceneFolder &folder) {
         folder.write("scene.mi", kValidScene);
         return render(folder.file("scene.mi"), {"-o", "/proc/qzrender-out.png"});
       },
       "cannot write \"/proc/qzrender-out.png\""},
      {"ExistingReadOnlyOutput",
       [](const SceneFolder &folder) {
         folder.write("scene.mi", kValidScene);
         folder.write("out.png", "keep me");
         chmod(folder.file("out.png").c_str(), 0444);
         return render(folder.file("scene.mi"));
       },
       "cannot write \"{dir}/out.png\": the file is read-only"},
      {"OutputInReadOnlyFolder",
       [](const SceneFolder &folder) {
         folder.write("scene.mi", kValidScene);
         std::filesystem::create_directory(folder.file("locked"));
         chmod(folder.file("locked").c_str(), 0555);
         return render(folder.file("scene.mi"), {"-o", "{dir}/locked/out.png"});
       },
       "Permission denied", 1, true},
  };
  return all;
}

void replaceDir(std::string &text, const std::string &folder) {
  for (size_t at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}"))
    text.replace(at, 5, folder);
}

std::string listingOf(const std::string &path) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(path))
    names.push_back(entry.path().string() + (entry.is_regular_file() ? " " + std::to_string(entry.file_size()) : ""));
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string &name : names)
    text += name + "\n";
  return text;
}

class HostileInput : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInput, EndsWithAClearMessageAndLeavesNothingBehind) {
  const HostileCase &c = GetParam();
#ifdef QZ_TEST_THREAD_SANITIZED
  // Every case ends before a render thread starts: nothing for
  // ThreadSanitizer to watch, and its qzrender takes seconds to start.
  GTEST_SKIP() << "single-threaded error paths; the asan preset runs them instrumented";
#endif
  if (c.skipAsRoot && geteuid() == 0)
    GTEST_SKIP() << "running as root, which may write where the case relies on a permission to stop it";
  SceneFolder folder;
  std::vector<std::string> arguments = c.prepare(folder);
  for (std::string &argument : arguments)
    replaceDir(argument, folder.path());
  std::string message = c.message;
  replaceDir(message, folder.path());
  const std::string before = listingOf(folder.path());

  const LimitedRun run = runLimited(arguments, kAddressSpaceLimit);

  EXPECT_FALSE(run.timedOut) << "still running after " << kTimeLimit.count() << " s";
  EXPECT_EQ(run.signal, 0) << "ended by signal " << run.signal << ":\n" << run.standardError;
  EXPECT_EQ(run.exitCode, c.exitCode) << run.standardError;
  EXPECT_NE(run.standardError.find(message), std::string::npos) << run.standardError;
  // One message, not a flood: at most a few short lines.
  EXPECT_LE(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 3) << run.standardError;
  EXPECT_LE(run.standardError.size(), 1000u) << run.standardError.substr(0, 1000);
  EXPECT_EQ(listingOf(folder.path()), before);
  std::printf("%s: exit %d in %.2f s, peak %ld MiB\n", c.name, run.exitCode, run.seconds, run.peakKilobytes >> 10);
}

INSTANTIATE_TEST_SUITE_P(Table, HostileInput, ::testing::ValuesIn(cases()),
                         [](const auto &caseInfo) { return std::string(caseInfo.param.name); });

// The harness itself: the same valid scene renders under the same limits.
TEST(HostileInputHarness, TheValidSceneRendersUnderTheLimits) {
  SceneFolder folder;
  folder.write("scene.mi", kValidScene);
  std::vector<std::string> arguments = render(folder.file("scene.mi"));
  for (std::string &argument : arguments)
    replaceDir(argument, folder.path());
  const LimitedRun run = runLimited(arguments, kAddressSpaceLimit);
  EXPECT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_TRUE(std::filesystem::exists(folder.file("out.png")));
}

} // namespace
