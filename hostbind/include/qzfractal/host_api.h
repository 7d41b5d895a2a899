/* The host functions that plug-in code may call, and the hand-over of the
 * host module handle.
 *
 * Each host function is reached through a binding function of the same name
 * that lives inside the plug-in (never exported): its first call after
 * miSetModuleHandle looks the name up in the host module, later calls go
 * straight through. If the host lacks the function, the binding function
 * writes a diagnostic to standard error and returns zero (a null pointer for
 * mi_phen_eval) without calling anything. */
#ifndef QZFRACTAL_HOST_API_H
#define QZFRACTAL_HOST_API_H

#include "qzfractal/host_types.h"

#if defined(_WIN32)
#define QZ_EXPORT __declspec(dllexport)
#define QZ_INTERNAL
#else
#define QZ_EXPORT __attribute__((visibility("default")))
#define QZ_INTERNAL __attribute__((visibility("hidden")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Exported by every plug-in: the host hands over the module that exports its
 * functions. Empties every entry slot, so the next call of each host function
 * looks it up anew in this module. Must not run while another thread is
 * inside a host function call of this plug-in. */
QZ_EXPORT void miSetModuleHandle(void *handle);

/* Runs the shader connected to the parameter at `param` (an address inside
 * the parameter block the host passed) for this sample and returns the
 * address of its output value. */
QZ_INTERNAL void *mi_phen_eval(miState *state, void *param);

#ifdef __cplusplus
}
#endif

#endif
