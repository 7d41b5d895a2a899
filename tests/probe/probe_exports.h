// What the test-only probe plug-in exports beside miSetModuleHandle (see
// tests/CMakeLists.txt): the binding functions by slot, the slot table, and
// the lookups the binding layer made.
#pragma once

#include <iterator>

#if defined(_WIN32)
#define QZ_PROBE_EXPORT extern "C" __declspec(dllexport)
#else
#define QZ_PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

QZ_PROBE_EXPORT void *qzProbeBindingFunction(unsigned slot);
QZ_PROBE_EXPORT void *qzProbeSlot(unsigned slot);
QZ_PROBE_EXPORT unsigned qzProbeLookupCount();
QZ_PROBE_EXPORT const char *qzProbeLookupName(unsigned index);
QZ_PROBE_EXPORT void *qzProbeLookupHandle(unsigned index);
QZ_PROBE_EXPORT void qzProbeClearLookups();
