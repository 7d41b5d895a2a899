#include "module_handle.h"

#include <dlfcn.h>

namespace qzhost {
namespace {

void *openSelf() {
  // The address of any function of ours names the module; opening that file
  // again with RTLD_NOLOAD hands back its existing handle (and keeps it
  // loaded, which it is for the whole process anyway).
  Dl_info info{};
  if (dladdr(reinterpret_cast<void *>(&runtimeModuleHandle), &info) == 0 || info.dli_fname == nullptr)
    return nullptr;
  return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
}

} // namespace

void *runtimeModuleHandle() {
  static void *const handle = openSelf();
  return handle;
}

} // namespace qzhost
