// The one thing the binding layer needs from the operating system: find an
// exported function by name in a loaded module, and say why not.
#ifndef QZFRACTAL_PLATFORM_H
#define QZFRACTAL_PLATFORM_H

// Returns the address of `name` in the module `handle`, or null. On failure
// *errorCode receives the loader's error code, read before any other call.
// C linkage: a test build can wrap the seam at link time by this plain name.
extern "C" void *qzhbPlatformLookup(void *handle, const char *name, int *errorCode);

#endif
