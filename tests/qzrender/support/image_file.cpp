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
  auto input = OIIO::ImageInput::open(path);
  if (!input)
    throw std::runtime_error("cannot read " + path + ": " + OIIO::geterror());
  const OIIO::ImageSpec &spec = input->spec();
  ImageFile image;
  image.width = spec.width;
  image.height = spec.height;
  image.channels = spec.nchannels;
  image.x = spec.x;
  image.y = spec.y;
  image.fullWidth = spec.full_width;
  image.fullHeight = spec.full_height;
  image.channelNames = spec.channelnames;
  image.eightBit = spec.format == OIIO::TypeDesc::UINT8;
  for (const OIIO::ParamValue &value : spec.extra_attribs)
    image.attributes.emplace_back(value.name().string(), value.get_string());
  const size_t count = static_cast<size_t>(spec.width) * spec.height * spec.nchannels;
  image.pixels.resize(count);
  if (image.eightBit) {
    std::vector<unsigned char> bytes(count);
    if (!input->read_image(0, 0, 0, spec.nchannels, OIIO::TypeDesc::UINT8, bytes.data()))
      throw std::runtime_error("cannot read " + path + ": " + input->geterror());
    for (size_t i = 0; i < count; ++i)
      image.pixels[i] = bytes[i];
  } else if (!input->read_image(0, 0, 0, spec.nchannels, OIIO::TypeDesc::FLOAT, image.pixels.data())) {
    throw std::runtime_error("cannot read " + path + ": " + input->geterror());
  }
  return image;
}

} // namespace qztest
