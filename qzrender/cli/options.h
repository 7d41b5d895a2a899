// qzrender's command line.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "render_settings.h"

namespace qzrender {

// Bounds on what one run may ask for; beyond them the answer is an error
// that says how to do it instead, not an attempt to allocate it.
constexpr int kMaxResolution = 65536;
constexpr long long kMaxImagePixels = 1LL << 27; // one image in memory: 2 GiB of RGBA floats
constexpr int kMaxSamples = 64;
constexpr int kMaxThreads = 1024;

struct Options {
  std::string scene;
  std::string output;
  std::string shader; // empty: the scene's last instance
  RenderSettings render;
  bool regionGiven = false;
  std::vector<std::string> overrides; // INSTANCE.PARAM=VALUE
  std::vector<std::string> libraryFolders;
  std::vector<std::string> includeFolders;
  bool progress = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// A command-line mistake; the message starts with the option it concerns.
class OptionError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// `defaultThreads` is what -t defaults to (every core).
Options parseOptions(const std::vector<std::string> &arguments, int defaultThreads);

const char *usageText();

} // namespace qzrender
