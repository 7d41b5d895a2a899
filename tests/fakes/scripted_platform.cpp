#include "scripted_platform.h"

#include <mutex>

#include "platform.h"

namespace qztest {
ScriptedLoader &scriptedLoader() {
  static ScriptedLoader loader;
  return loader;
}
} // namespace qztest

// Threads may race for their first lookups, as they do against a real
// loader; the script is only read, the record of lookups needs the lock.
void *qzhbPlatformLookup(void *handle, const char *name, int *errorCode) {
  static std::mutex recording;
  auto &loader = qztest::scriptedLoader();
  {
    std::lock_guard lock(recording);
    loader.lookups.emplace_back(handle, name);
  }
  auto found = loader.exports.find(name);
  if (found == loader.exports.end()) {
    *errorCode = loader.errorCode;
    return nullptr;
  }
  return found->second;
}
