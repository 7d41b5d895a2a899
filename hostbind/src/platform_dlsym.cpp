// POSIX loader seam: dlsym.
//
// dlsym has no numeric error code (dlerror gives only text), so a failed
// lookup reports 127, the code the Windows loader gives for a name a module
// does not export (ERROR_PROC_NOT_FOUND). The diagnostic then reads the same
// on both platforms. A null handle is glibc's RTLD_DEFAULT: the lookup
// searches the process's global scope, which is the loader's own behaviour.
#include <dlfcn.h>

#include "platform.h"

namespace {
constexpr int kNameNotFound = 127;
}

void *qzhbPlatformLookup(void *handle, const char *name, int *errorCode) {
  dlerror(); // drop any stale error so this lookup's outcome is its own
  void *address = dlsym(handle, name);
  if (address == nullptr) {
    dlerror();
    *errorCode = kNameNotFound;
  }
  return address;
}
