// A loader whose answers the test scripts: which names exist, with which
// addresses, and what error code a failed lookup gives.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qztest {

struct ScriptedLoader {
  std::map<std::string, void *> exports;
  int errorCode = 127;
  std::vector<std::pair<void *, std::string>> lookups; // (handle, name), in order
};

ScriptedLoader &scriptedLoader();

} // namespace qztest
