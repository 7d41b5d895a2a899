#include "options.h"

#include <charconv>

#include "image_writer.h"
#include "scene_error.h"

namespace qzrender {
namespace {

class Arguments {
public:
  explicit Arguments(const std::vector<std::string> &all) : all_(all) {}
  bool done() const { return at_ >= all_.size(); }
  const std::string &take() { return all_[at_++]; }

  // The values of `option`, which takes `count` of them.
  std::vector<std::string> values(const std::string &option, size_t count) {
    if (all_.size() - at_ < count)
      throw OptionError(option + ": expects " + std::to_string(count) + (count == 1 ? " value" : " values"));
    std::vector<std::string> taken(all_.begin() + static_cast<long>(at_),
                                   all_.begin() + static_cast<long>(at_ + count));
    at_ += count;
    return taken;
  }
  std::string value(const std::string &option) { return values(option, 1)[0]; }

private:
  const std::vector<std::string> &all_;
  size_t at_ = 0;
};

int wholeNumber(const std::string &option, const std::string &text, int low, int high) {
  long long number = 0;
  const char *end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || stop != end)
    throw OptionError(option + ": \"" + qzscene::shownText(text) + "\" is not a whole number");
  if (number < low || number > high)
    throw OptionError(option + ": " + text + " is outside " + std::to_string(low) + " to " + std::to_string(high));
  return static_cast<int>(number);
}

void checkSizes(const Options &options) {
  const RenderSettings &render = options.render;
  const Region &region = render.region;
  if (region.x0 > region.x1 || region.y0 > region.y1)
    throw OptionError("--region: X0 Y0 X1 Y1 must have X0 <= X1 and Y0 <= Y1");
  if (region.x1 >= render.width || region.y1 >= render.height)
    throw OptionError("--region: " + std::to_string(region.x0) + " " + std::to_string(region.y0) + " " +
                      std::to_string(region.x1) + " " + std::to_string(region.y1) + " lies outside the " +
                      std::to_string(render.width) + "x" + std::to_string(render.height) + " frame");
  const long long pixels = static_cast<long long>(region.width()) * region.height();
  if (pixels > kMaxImagePixels)
    throw OptionError(std::string(options.regionGiven ? "--region" : "--res") + ": " + std::to_string(pixels) +
                      " pixels are more than the " + std::to_string(kMaxImagePixels) +
                      " qzrender renders at once; split the frame with --region");
}

} // namespace

const char *usageText() {
  return "usage: qzrender SCENE -o OUT [options]\n"
         "\n"
         "Renders the shader network of a scene file to an image.\n"
         "\n"
         "  -o OUT                       image to write: .exr/.tif/.tiff (float data), .pfm (float data without\n"
         "                               alpha: colour as RGB) or .png (8-bit sRGB)\n"
         "  --shader NAME                instance to render (default: the scene's last instance)\n"
         "  --res W H                    frame size in pixels (default 512 512)\n"
         "  --samples N                  N x N samples per pixel, averaged (default 1)\n"
         "  -t THREADS                   threads (default: every core); the image is the same for any count\n"
         "  --region X0 Y0 X1 Y1         render only these pixels of the frame (inclusive, top-left origin)\n"
         "  --param INSTANCE.PARAM=VALUE set a parameter, overriding the scene (may be repeated)\n"
         "  -L DIR                       look for libraries in DIR first (may be repeated)\n"
         "  -I DIR                       look for $include files in DIR first (may be repeated)\n"
         "  --progress                   print \"ALF_PROGRESS n%\" lines for render-farm schedulers\n"
         "  --quiet                      print only warnings and errors\n"
         "  --help, --version\n"
         "\n"
         "Libraries are searched in -L, MI_LIBRARY_PATH, the scene's folder and the installed plug-ins;\n"
         "$include files in -I, MI_RAY_INCPATH, the scene's folder and the installed declarations.\n";
}

Options parseOptions(const std::vector<std::string> &all, int defaultThreads) {
  Options options;
  options.render.threads = defaultThreads;
  Arguments arguments(all);
  while (!arguments.done()) {
    const std::string argument = arguments.take();
    if (argument == "-o") {
      options.output = arguments.value(argument);
    } else if (argument == "--shader") {
      options.shader = arguments.value(argument);
    } else if (argument == "--res") {
      const auto values = arguments.values(argument, 2);
      options.render.width = wholeNumber(argument, values[0], 1, kMaxResolution);
      options.render.height = wholeNumber(argument, values[1], 1, kMaxResolution);
    } else if (argument == "--samples") {
      options.render.samples = wholeNumber(argument, arguments.value(argument), 1, kMaxSamples);
    } else if (argument == "-t") {
      options.render.threads = wholeNumber(argument, arguments.value(argument), 1, kMaxThreads);
    } else if (argument == "--region") {
      const auto values = arguments.values(argument, 4);
      Region &region = options.render.region;
      region.x0 = wholeNumber(argument, values[0], 0, kMaxResolution - 1);
      region.y0 = wholeNumber(argument, values[1], 0, kMaxResolution - 1);
      region.x1 = wholeNumber(argument, values[2], 0, kMaxResolution - 1);
      region.y1 = wholeNumber(argument, values[3], 0, kMaxResolution - 1);
      options.regionGiven = true;
    } else if (argument == "--param") {
      options.overrides.push_back(arguments.value(argument));
    } else if (argument == "-L") {
      options.libraryFolders.push_back(arguments.value(argument));
    } else if (argument == "-I") {
      options.includeFolders.push_back(arguments.value(argument));
    } else if (argument == "--progress") {
      options.progress = true;
    } else if (argument == "--quiet") {
      options.quiet = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      throw OptionError("unknown option \"" + qzscene::shownText(argument) + "\" (see qzrender --help)");
    } else if (options.scene.empty()) {
      options.scene = argument;
    } else {
      throw OptionError("more than one scene file: \"" + qzscene::shownText(options.scene) + "\" and \"" +
                        qzscene::shownText(argument) + "\"");
    }
  }
  if (options.help || options.version)
    return options;
  if (options.scene.empty())
    throw OptionError("no scene file given (see qzrender --help)");
  if (options.output.empty())
    throw OptionError("-o: no output image given");
  if (const std::string problem = checkImageName(options.output); !problem.empty())
    throw OptionError("-o: " + problem);
  if (!options.regionGiven)
    options.render.region = Region{0, 0, options.render.width - 1, options.render.height - 1};
  checkSizes(options);
  return options;
}

} // namespace qzrender
