// qzrender: renders the shader network of a scene file to an image.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "image_writer.h"
#include "install_paths.h"
#include "network_builder.h"
#include "options.h"
#include "output_file.h"
#include "parser.h"
#include "progress.h"
#include "qzhost/messages.h"
#include "renderer.h"

namespace {

using namespace qzrender;

constexpr int kFailure = 1;
constexpr int kUsage = 2;

int fail(const std::string &message) {
  std::fprintf(stderr, "qzrender: error: %s\n", message.c_str());
  return kFailure;
}

std::string environment(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

std::string sceneFolder(const std::string &scene) {
  const std::filesystem::path folder = std::filesystem::path(scene).parent_path();
  return folder.empty() ? "." : folder.string();
}

// -L/-I folders, the renderer family's variable, the scene's folder, the
// installed folders: the first that holds the file wins.
qzscene::SearchPath searchPath(const std::vector<std::string> &given, const char *variable, const std::string &scene,
                               const std::vector<std::string> &installed) {
  qzscene::SearchPath path(given);
  path.appendList(environment(variable));
  path.append(sceneFolder(scene));
  for (const std::string &folder : installed)
    path.append(folder);
  return path;
}

std::string summary(const Options &options, const RenderStats &stats, int threads) {
  const RenderSettings &render = options.render;
  char line[512];
  std::string region;
  if (options.regionGiven)
    region = " region " + std::to_string(render.region.x0) + " " + std::to_string(render.region.y0) + " " +
             std::to_string(render.region.x1) + " " + std::to_string(render.region.y1);
  const double rate = stats.seconds > 0.0 ? static_cast<double>(stats.samples) / stats.seconds : 0.0;
  std::snprintf(line, sizeof line, "qzrender: %s %dx%d%s, %dx%d samples, %d threads, %.3f s, %.0f samples/s",
                options.output.c_str(), render.width, render.height, region.c_str(), render.samples, render.samples,
                threads, stats.seconds, rate);
  return line;
}

int run(const Options &options) {
  const InstalledFolders installed = installedFolders();
  const auto libraries = searchPath(options.libraryFolders, "MI_LIBRARY_PATH", options.scene, installed.plugins);
  const auto includes = searchPath(options.includeFolders, "MI_RAY_INCPATH", options.scene, installed.declarations);

  qzhost::setMessageLevel(options.quiet ? qzhost::MessageLevel::Warnings : qzhost::MessageLevel::Info);
  qzscene::Scene scene = qzscene::readScene(options.scene, libraries, includes);
  for (const std::string &override : options.overrides)
    qzscene::applyOverride(scene, override);
  const int root = qzscene::chooseRoot(scene, options.shader);
  ImageMetadata metadata{options.scene, scene.instances[root].name, qzscene::describeNetwork(scene, root)};

  OutputFile output(options.output);
  const auto network = qzscene::loadNetwork(scene, root);
  // Before the render, so that a missing module fails at once, and after
  // everything else that may fail, which then fails without its cost.
  std::optional<ImageModule> module;
  if (needsImageModule(options.output))
    module = loadImageModule(installed.libraries);

  Progress progress(!options.quiet && !options.progress && isatty(STDERR_FILENO), options.progress);
  RenderStats stats;
  const Image image = render(
      *network, options.render, [&](double done) { progress.update(done); }, &stats);
  progress.finish();

  if (stats.unservedTextureSpaces > 0)
    std::fprintf(stderr,
                 "qzrender: warning: on %llu samples a connected texSpace asked for a texture space beyond the %d "
                 "served; it read -1 there\n",
                 static_cast<unsigned long long>(stats.unservedTextureSpaces), network->textureSpaces());
  if (qzhost::fatalReported())
    return fail("a shader reported a fatal error; no image written");

  writeImage(output.temporaryPath(), options.output, image, options.render, metadata, module ? &*module : nullptr);
  output.commit();
  if (!options.quiet) {
    std::printf("%s\n", summary(options, stats, std::min(options.render.threads, image.height)).c_str());
    std::fflush(stdout);
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  Options options;
  try {
    const unsigned cores = std::thread::hardware_concurrency();
    options = parseOptions(std::vector<std::string>(argv + 1, argv + argc), cores ? static_cast<int>(cores) : 1);
  } catch (const OptionError &error) {
    std::fprintf(stderr, "qzrender: error: %s\n", error.what());
    return kUsage;
  }
  if (options.help) {
    std::fputs(usageText(), stdout);
    return 0;
  }
  if (options.version) {
    // The OpenImageIO the image module was built with, known without loading
    // it: loading it would cost the 0.4 s this command exists to avoid.
    std::printf("qzrender %s (OpenImageIO %s)\n", QZ_VERSION, QZ_OPENIMAGEIO_VERSION);
    return 0;
  }
  try {
    return run(options);
  } catch (const qzscene::SceneError &error) {
    std::fprintf(stderr, "%s\n", error.what());
    return error.fromCommandLine() ? kUsage : kFailure;
  } catch (const std::exception &error) {
    return fail(error.what());
  }
}
