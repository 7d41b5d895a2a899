// libqzimageio: writes qzrender's images through OpenImageIO. Everything
// about the image (which pixels, which encoding, which metadata) is decided
// by qzrender; this module only lays it out for OpenImageIO.
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "qzimageio/write_request.h"

namespace {

std::string text(const char *value) { return value ? value : ""; }

OIIO::ImageSpec layoutOf(const QzImageioRequest &request) {
  const bool floatData = request.encoding == QZIMAGEIO_FLOAT_DATA;
  OIIO::ImageSpec layout(request.width, request.height, request.channels,
                         floatData ? OIIO::TypeDesc::FLOAT : OIIO::TypeDesc::UINT8);
  layout.channelnames =
      request.channels == 4 ? std::vector<std::string>{"R", "G", "B", "A"} : std::vector<std::string>{"Y"};
  layout.alpha_channel = request.channels == 4 ? 3 : -1;
  if (floatData) {
    layout.x = request.x;
    layout.y = request.y;
    layout.full_x = 0;
    layout.full_y = 0;
    layout.full_width = request.fullWidth;
    layout.full_height = request.fullHeight;
    layout.attribute("compression", "zip");
    layout.attribute("oiio:ColorSpace", "Linear");
  } else {
    layout.attribute("oiio:ColorSpace", "sRGB");
  }
  layout.attribute("Software", text(request.software));
  layout.attribute("DocumentName", text(request.scene));
  layout.attribute("ImageDescription", text(request.description));
  layout.attribute("qzrender:scene", text(request.scene));
  layout.attribute("qzrender:shader", text(request.shader));
  layout.attribute("qzrender:parameters", text(request.parameters));
  layout.attribute("qzrender:samples", request.samples);
  return layout;
}

// Empty when written, else why not.
std::string write(const QzImageioRequest &request) {
  if (request.encoding != QZIMAGEIO_FLOAT_DATA && request.encoding != QZIMAGEIO_SRGB8)
    return "unknown encoding " + std::to_string(request.encoding);
  if (request.pixels == nullptr || request.path == nullptr || request.formatName == nullptr ||
      (request.channels != 1 && request.channels != 4) || request.width <= 0 || request.height <= 0)
    return "incomplete image request";
  const std::string formatName = request.formatName;
  auto output = OIIO::ImageOutput::create(formatName);
  if (!output)
    return OIIO::geterror();
  if (!output->open(request.path, layoutOf(request)))
    return output->geterror();
  const OIIO::TypeDesc type = request.encoding == QZIMAGEIO_FLOAT_DATA ? OIIO::TypeDesc::FLOAT : OIIO::TypeDesc::UINT8;
  const bool written = output->write_image(type, request.pixels);
  const bool closed = output->close();
  if (!written || !closed) {
    const std::string error = output->geterror();
    return error.empty() ? "OpenImageIO could not write the file" : error;
  }
  return {};
}

// Copies without allocating, so that it can report even a failed allocation.
const char *report(std::string_view message, char *errorText, size_t errorSize) {
  if (errorText == nullptr || errorSize == 0)
    return "";
  const size_t length = std::min(message.size(), errorSize - 1);
  std::memcpy(errorText, message.data(), length);
  errorText[length] = '\0';
  return errorText;
}

} // namespace

extern "C" __attribute__((visibility("default"))) const char *qzimageio_write(const QzImageioRequest *request,
                                                                              char *errorText, size_t errorSize) {
  if (request == nullptr)
    return report("no image request", errorText, errorSize);
  // Nothing may unwind into the caller, which is C.
  try {
    if (request->interfaceVersion != QZIMAGEIO_INTERFACE_VERSION)
      return report("the image writer speaks interface " + std::to_string(QZIMAGEIO_INTERFACE_VERSION) +
                        ", qzrender interface " + std::to_string(request->interfaceVersion) +
                        "; install the two from the same build",
                    errorText, errorSize);
    const std::string error = write(*request);
    return error.empty() ? nullptr : report(error, errorText, errorSize);
  } catch (const std::exception &exception) {
    return report(exception.what(), errorText, errorSize);
  } catch (...) {
    return report("OpenImageIO failed with an unknown exception", errorText, errorSize);
  }
}

// The type the caller looks the entry up as.
static_assert(std::is_same_v<decltype(&qzimageio_write), QzImageioWrite *>);
