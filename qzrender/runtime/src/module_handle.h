// The handle of this runtime library as a loaded module: what the plug-ins
// are handed through miSetModuleHandle, so that their binding layers find
// the host functions this library exports.
#pragma once

namespace qzhost {

// Null if the loader cannot name the module that holds this code.
void *runtimeModuleHandle();

} // namespace qzhost
