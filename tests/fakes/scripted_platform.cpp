#include "scripted_platform.h"

#include "platform.h"

namespace qztest {
ScriptedLoader &scriptedLoader() {
  static ScriptedLoader loader;
  return loader;
}
} // namespace qztest

void *qzhbPlatformLookup(void *handle, const char *name, int *errorCode) {
  auto &loader = qztest::scriptedLoader();
  loader.lookups.emplace_back(handle, name);
  auto found = loader.exports.find(name);
  if (found == loader.exports.end()) {
    *errorCode = loader.errorCode;
    return nullptr;
  }
  return found->second;
}
