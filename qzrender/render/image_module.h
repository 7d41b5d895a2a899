// libqzimageio, the module that writes images through OpenImageIO. qzrender
// does not link OpenImageIO: its ~260 libraries and their static
// initialisers would cost every run, `--version` included, 0.4 s. The
// module is loaded only for a format that needs it, once, and stays loaded
// to the end of the process (OpenImageIO keeps state that must outlive the
// image it wrote).
#pragma once

#include <string>
#include <vector>

#include "qzimageio/write_request.h"

namespace qzrender {

struct ImageModule {
  std::string path;
  QzImageioWrite *write = nullptr;
};

// Loads the module from the first of `folders` that holds it. Throws
// std::runtime_error naming the file when it is missing or unusable.
ImageModule loadImageModule(const std::vector<std::string> &folders);

} // namespace qzrender
