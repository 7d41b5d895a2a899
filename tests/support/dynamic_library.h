// Loads a shared library at run time, the way a renderer loads a plug-in.
#pragma once

#include <string>
#include <vector>

namespace qztest {

class DynamicLibrary {
public:
  DynamicLibrary() = default;
  explicit DynamicLibrary(const std::string &path);
  DynamicLibrary(const DynamicLibrary &) = delete;
  DynamicLibrary &operator=(const DynamicLibrary &) = delete;
  DynamicLibrary(DynamicLibrary &&other) noexcept;
  DynamicLibrary &operator=(DynamicLibrary &&other) noexcept;
  ~DynamicLibrary();

  bool loaded() const { return handle_ != nullptr; }
  const std::string &error() const { return error_; }
  // The module handle, as a host hands it to miSetModuleHandle.
  void *handle() const { return handle_; }
  void *rawSymbol(const char *name) const;
  template <typename F> F symbol(const char *name) const { return reinterpret_cast<F>(rawSymbol(name)); }

private:
  void *handle_ = nullptr;
  std::string error_;
};

// Paths of the build's artefacts, set by the test build.
std::string pluginPath(const std::string &shaderName);
std::string testHostPath(const std::string &hostName);
std::string declarationPath(const std::string &shaderName);
// Every shader plug-in the build makes, so that tests of what all plug-ins
// share cover a new one without being told.
std::vector<std::string> shaderPlugins();

} // namespace qztest
