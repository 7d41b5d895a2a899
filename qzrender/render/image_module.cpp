#include "image_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

namespace qzrender {
namespace {

// The loader's text, without the file name it starts with (the message
// names the file once, itself).
std::string loaderError(const std::string &path) {
  const char *error = dlerror();
  std::string text = error ? error : "unknown loader error";
  if (text.rfind(path + ": ", 0) == 0)
    text.erase(0, path.size() + 2);
  return text;
}

} // namespace

ImageModule loadImageModule(const std::vector<std::string> &folders) {
  namespace fs = std::filesystem;
  if (folders.empty())
    throw std::runtime_error("cannot find the image writer " QZ_IMAGE_MODULE " beside qzrender");
  ImageModule module;
  module.path = (fs::path(folders.front()) / QZ_IMAGE_MODULE).string();
  for (const std::string &folder : folders) {
    const fs::path candidate = fs::path(folder) / QZ_IMAGE_MODULE;
    std::error_code error;
    if (fs::exists(candidate, error)) {
      module.path = candidate.string();
      break;
    }
  }
  void *handle = dlopen(module.path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr)
    throw std::runtime_error("cannot load the image writer \"" + module.path + "\": " + loaderError(module.path));
  module.write = reinterpret_cast<QzImageioWrite *>(dlsym(handle, QZIMAGEIO_WRITE_ENTRY));
  if (module.write == nullptr) {
    dlclose(handle);
    throw std::runtime_error("cannot load the image writer \"" + module.path + "\": it does not export " +
                             QZIMAGEIO_WRITE_ENTRY);
  }
  return module;
}

} // namespace qzrender
