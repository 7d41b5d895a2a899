// Reads an image that qzrender wrote, with its windows and metadata.
#pragma once

#include <string>
#include <vector>

namespace qztest {

struct ImageFile {
  int width = 0, height = 0, channels = 0;
  int x = 0, y = 0;                  // data window origin
  int fullWidth = 0, fullHeight = 0; // display window
  std::vector<std::string> channelNames;
  std::vector<float> pixels; // as stored for float files, 0..255 for 8-bit ones
  bool eightBit = false;
  std::string attribute(const std::string &name) const;
  std::vector<std::pair<std::string, std::string>> attributes;
};

// Throws std::runtime_error when the file cannot be read.
ImageFile readImageFile(const std::string &path);

} // namespace qztest
