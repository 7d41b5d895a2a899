#include "dynamic_library.h"

#include <algorithm>
#include <sstream>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace qztest {

DynamicLibrary::DynamicLibrary(const std::string &path) {
#if defined(_WIN32)
  handle_ = reinterpret_cast<void *>(LoadLibraryA(path.c_str()));
  if (!handle_)
    error_ = "LoadLibrary failed on " + path + " with error " + std::to_string(GetLastError());
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_)
    error_ = dlerror();
#endif
}

DynamicLibrary::DynamicLibrary(DynamicLibrary &&other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

DynamicLibrary &DynamicLibrary::operator=(DynamicLibrary &&other) noexcept {
  std::swap(handle_, other.handle_);
  std::swap(error_, other.error_);
  return *this;
}

// Libraries stay loaded for the life of the process, as in a renderer: the
// plug-ins' binding state must survive between tests that share them.
DynamicLibrary::~DynamicLibrary() = default;

void *DynamicLibrary::rawSymbol(const char *name) const {
  if (!handle_)
    return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

std::string pluginPath(const std::string &shaderName) {
  return std::string(QZ_PLUGIN_DIR) + "/" + shaderName + QZ_MODULE_SUFFIX;
}

std::string testHostPath(const std::string &hostName) {
  return std::string(QZ_TEST_HOST_DIR) + "/" + QZ_MODULE_PREFIX + hostName + QZ_MODULE_SUFFIX;
}

std::string declarationPath(const std::string &shaderName) {
  return std::string(QZ_DECLARATION_DIR) + "/" + shaderName + ".mi";
}

std::vector<std::string> shaderPlugins() {
  std::vector<std::string> names;
  std::stringstream list(QZ_SHADER_PLUGINS);
  for (std::string name; std::getline(list, name, ',');)
    names.push_back(name);
  return names;
}

} // namespace qztest
