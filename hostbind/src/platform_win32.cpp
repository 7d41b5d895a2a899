// Windows loader seam: GetProcAddress in the module of the handle.
//
// GetLastError is read straight after the failed lookup, before any other
// call can overwrite the thread's error code. A name the module does not
// export gives ERROR_PROC_NOT_FOUND (127). A null handle is the loader's own
// business: it then searches the process's executable.
#include <windows.h>

#include "platform.h"

void *qzhbPlatformLookup(void *handle, const char *name, int *errorCode) {
  const FARPROC address = GetProcAddress(static_cast<HMODULE>(handle), name);
  if (address == nullptr) {
    *errorCode = static_cast<int>(GetLastError());
    return nullptr;
  }
  return reinterpret_cast<void *>(address);
}
