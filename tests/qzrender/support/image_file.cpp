#include "image_file.h"

#include <OpenImageIO/imageio.h>

#include <stdexcept>

namespace qztest {

std::string ImageFile::attribute(const std::string &name) const {
  for (const auto &[key, value] : attributes)
    if (key == name)
      return value;
  return {};
}

ImageFile readImageFile(const std::string &path) {
  // OpenImageIO's own worker pool synchronises in ways ThreadSanitizer cannot
  // see in the uninstrumented library; the tests' small images need no pool.
  OIIO::attribute("threads", 1);
  auto input = OIIO::ImageInput::open(path);
  if (!input)
    throw std::runtime_error("cannot read " + path + ": " + OIIO::geterror());
  const OIIO::ImageSpec &layout = input->spec();
  ImageFile image;
  image.width = layout.width;
  image.height = layout.height;
  image.channels = layout.nchannels;
  image.x = layout.x;
  image.y = layout.y;
  image.fullWidth = layout.full_width;
  image.fullHeight = layout.full_height;
  image.channelNames = layout.channelnames;
  image.eightBit = layout.format == OIIO::TypeDesc::UINT8;
  for (const OIIO::ParamValue &value : layout.extra_attribs)
    image.attributes.emplace_back(value.name().string(), value.get_string());
  const size_t count = static_cast<size_t>(layout.width) * layout.height * layout.nchannels;
  image.pixels.resize(count);
  if (image.eightBit) {
    std::vector<unsigned char> bytes(count);
    if (!input->read_image(0, 0, 0, layout.nchannels, OIIO::TypeDesc::UINT8, bytes.data()))
      throw std::runtime_error("cannot read " + path + ": " + input->geterror());
    for (size_t i = 0; i < count; ++i)
      image.pixels[i] = bytes[i];
  } else if (!input->read_image(0, 0, 0, layout.nchannels, OIIO::TypeDesc::FLOAT, image.pixels.data())) {
    throw std::runtime_error("cannot read " + path + ": " + input->geterror());
  }
  return image;
}

} // namespace qztest
