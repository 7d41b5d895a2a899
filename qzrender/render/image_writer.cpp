#include "image_writer.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>

#include "pfm_writer.h"
#include "srgb.h"

namespace qzrender {
namespace {

enum class Encoding { FloatData, Look8, PortableFloatMap };

std::string lowerExtension(const std::string &path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

bool encodingOf(const std::string &path, Encoding *encoding) {
  const std::string extension = lowerExtension(path);
  if (extension == ".exr" || extension == ".tif" || extension == ".tiff") {
    *encoding = Encoding::FloatData;
    return true;
  }
  if (extension == ".png") {
    *encoding = Encoding::Look8;
    return true;
  }
  if (extension == ".pfm") {
    *encoding = Encoding::PortableFloatMap;
    return true;
  }
  return false;
}

std::vector<uint8_t> encodeLook(const Image &image) {
  std::vector<uint8_t> bytes(image.pixels.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const bool alpha = image.channels == 4 && i % 4 == 3;
    bytes[i] = alpha ? encodeLinear8(image.pixels[i]) : encodeSrgb8(image.pixels[i]);
  }
  return bytes;
}

} // namespace

std::string checkImageName(const std::string &path) {
  Encoding encoding;
  if (encodingOf(path, &encoding))
    return {};
  const std::string extension = lowerExtension(path);
  return (extension.empty() ? std::string("no file extension") : "unsupported file type \"" + extension + "\"") +
         " (qzrender writes .exr, .tif, .tiff, .png and .pfm)";
}

bool needsImageModule(const std::string &formatName) {
  Encoding encoding;
  return encodingOf(formatName, &encoding) && encoding != Encoding::PortableFloatMap;
}

void writeImage(const std::string &file, const std::string &formatName, const Image &image,
                const RenderSettings &settings, const ImageMetadata &metadata, const ImageModule *module) {
  Encoding encoding;
  if (!encodingOf(formatName, &encoding))
    throw std::runtime_error(checkImageName(formatName));
  const std::string failure = "cannot write \"" + formatName + "\": ";
  if (encoding == Encoding::PortableFloatMap) {
    if (const std::string error = writePfm(file, image); !error.empty())
      throw std::runtime_error(failure + error);
    return;
  }
  if (module == nullptr || module->write == nullptr)
    throw std::runtime_error(failure + "the image writer is not loaded");

  std::vector<uint8_t> bytes;
  if (encoding == Encoding::Look8)
    bytes = encodeLook(image);
  // TIFF keeps only its standard tags, so the description carries it all.
  const std::string description = "scene " + metadata.scene + ", shader " + metadata.shader + ", " +
                                  std::to_string(settings.samples) + "x" + std::to_string(settings.samples) +
                                  " samples\n" + metadata.parameters;
  QzImageioRequest request{};
  request.interfaceVersion = QZIMAGEIO_INTERFACE_VERSION;
  request.encoding = encoding == Encoding::FloatData ? QZIMAGEIO_FLOAT_DATA : QZIMAGEIO_SRGB8;
  request.path = file.c_str();
  request.formatName = formatName.c_str();
  request.pixels = encoding == Encoding::FloatData ? static_cast<const void *>(image.pixels.data()) : bytes.data();
  request.width = image.width;
  request.height = image.height;
  request.channels = image.channels;
  request.x = settings.region.x0;
  request.y = settings.region.y0;
  request.fullWidth = settings.width;
  request.fullHeight = settings.height;
  request.samples = settings.samples;
  request.software = "qzrender " QZ_VERSION;
  request.scene = metadata.scene.c_str();
  request.shader = metadata.shader.c_str();
  request.parameters = metadata.parameters.c_str();
  request.description = description.c_str();
  char error[1024];
  if (const char *why = module->write(&request, error, sizeof error))
    throw std::runtime_error(failure + why);
}

} // namespace qzrender
