#include "image_writer.h"

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "srgb.h"

namespace qzrender {
namespace {

enum class Encoding { FloatData, Look8 };

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
         " (qzrender writes .exr, .tif, .tiff and .png)";
}

void writeImage(const std::string &file, const std::string &formatName, const Image &image,
                const RenderSettings &settings, const ImageMetadata &metadata) {
  Encoding encoding;
  if (!encodingOf(formatName, &encoding))
    throw std::runtime_error(checkImageName(formatName));
  const OIIO::TypeDesc type = encoding == Encoding::FloatData ? OIIO::TypeDesc::FLOAT : OIIO::TypeDesc::UINT8;

  OIIO::ImageSpec layout(image.width, image.height, image.channels, type);
  layout.channelnames =
      image.channels == 4 ? std::vector<std::string>{"R", "G", "B", "A"} : std::vector<std::string>{"Y"};
  layout.alpha_channel = image.channels == 4 ? 3 : -1;
  if (encoding == Encoding::FloatData) {
    layout.x = settings.region.x0;
    layout.y = settings.region.y0;
    layout.full_x = 0;
    layout.full_y = 0;
    layout.full_width = settings.width;
    layout.full_height = settings.height;
    layout.attribute("compression", "zip");
    layout.attribute("oiio:ColorSpace", "Linear");
  } else {
    layout.attribute("oiio:ColorSpace", "sRGB");
  }
  layout.attribute("Software", "qzrender " QZ_VERSION);
  layout.attribute("DocumentName", metadata.scene);
  // TIFF keeps only its standard tags, so the description carries it all.
  layout.attribute("ImageDescription", "scene " + metadata.scene + ", shader " + metadata.shader + ", " +
                                           std::to_string(settings.samples) + "x" + std::to_string(settings.samples) +
                                           " samples\n" + metadata.parameters);
  layout.attribute("qzrender:scene", metadata.scene);
  layout.attribute("qzrender:shader", metadata.shader);
  layout.attribute("qzrender:parameters", metadata.parameters);
  layout.attribute("qzrender:samples", settings.samples);

  auto output = OIIO::ImageOutput::create(formatName);
  if (!output)
    throw std::runtime_error("cannot write \"" + formatName + "\": " + OIIO::geterror());
  if (!output->open(file, layout))
    throw std::runtime_error("cannot write \"" + formatName + "\": " + output->geterror());
  bool written;
  if (encoding == Encoding::FloatData) {
    written = output->write_image(OIIO::TypeDesc::FLOAT, image.pixels.data());
  } else {
    const std::vector<uint8_t> bytes = encodeLook(image);
    written = output->write_image(OIIO::TypeDesc::UINT8, bytes.data());
  }
  const bool closed = output->close();
  if (!written || !closed)
    throw std::runtime_error("cannot write \"" + formatName + "\": " + output->geterror());
}

} // namespace qzrender
