// The frame every shader plug-in of this project is written in.
//
// A plug-in holds one shader. It writes only its own work function and
// declares it with QZ_DEFINE_SHADER, which adds the four entries the host
// calls (the shader entry and its _init, _exit and _version entries). The
// shader reads each parameter once, through readParameter, in the order its
// documentation gives; a connected parameter runs another shader.
#ifndef QZFRACTAL_SHADER_FRAME_H
#define QZFRACTAL_SHADER_FRAME_H

#ifndef __cplusplus
#error "shader_frame.h is a C++ header"
#endif

#include <stdint.h>
#include <string.h>

#include "qzfractal/host_api.h"
#include "qzfractal/host_records.h"
#include "qzfractal/host_types.h"

extern "C" {
// What a connected parameter reads when the host hands back no value (its
// mi_phen_eval is missing, or returned null): zeros, wide enough for a colour.
QZ_INTERNAL extern const unsigned char qzZeroValue[16];

// The init, exit and version behaviour shared by every shader.
QZ_INTERNAL void qzFrameInit(miState *state, void *params, miBoolean *instanceInit);
QZ_INTERNAL void qzFrameExit(miState *state, void *params);
QZ_INTERNAL miInteger qzFrameVersion(void);
}

// The address from which the value of the parameter at `param` is read.
// `param` must point into the block the host passed (never a copy): the
// host finds the connection from that address. Inline on purpose: an
// unconnected parameter costs a few loads and one comparison, no call.
static inline const void *evaluateParameter(miState *state, const void *param) {
  const unsigned char *shader = qzStateShader(state);
  if (shader[QZ_SHADER_GHOST_FLAG] != 1)
    return param;
  int32_t ghostOffset;
  memcpy(&ghostOffset, shader + QZ_SHADER_GHOST_OFFSET, sizeof ghostOffset);
  // The tag area may lie before the block; compute its address as an
  // integer so a negative offset is not pointer arithmetic out of bounds.
  const void *tagAddress =
      reinterpret_cast<const void *>(reinterpret_cast<uintptr_t>(param) + static_cast<intptr_t>(ghostOffset));
  uint32_t tag;
  memcpy(&tag, tagAddress, sizeof tag);
  // Tags 0 and -2 mean "holds its own value"; (tag + 2) & ~2 is zero for
  // exactly those two.
  if (((tag + 2u) & 0xFFFFFFFDu) == 0)
    return param;
  const void *value = mi_phen_eval(state, const_cast<void *>(param));
  // A host without mi_phen_eval, or one that hands back nothing, must not
  // crash the render: the parameter then reads as zero.
  return value ? value : qzZeroValue;
}

// Evaluates one parameter and copies its value out at once, before anything
// else is evaluated; no address into host memory outlives the call.
template <typename T> static inline T readParameter(miState *state, const T *param) {
  T value;
  memcpy(&value, evaluateParameter(state, param), sizeof value);
  return value;
}

static inline void qzClearResult(miScalar *result) { *result = 0.0f; }
static inline void qzClearResult(miColor *result) { *result = miColor{0.0f, 0.0f, 0.0f, 0.0f}; }

// Defines the shader `Name` around its own work function
//   static void Work(ResultType *result, miState *state, const ParamType *params);
// The shader entry returns 1 on every path: a null result is left alone, the
// result is cleared first, and a null state or parameter block ends the call
// before the work begins. Invalid input leaves the result as the work left it.
#define QZ_DEFINE_SHADER(Name, ResultType, ParamType, Work)                                                            \
  extern "C" QZ_EXPORT miBoolean Name(ResultType *result, miState *state, ParamType *params) {                         \
    if (!result)                                                                                                       \
      return 1;                                                                                                        \
    qzClearResult(result);                                                                                             \
    if (!state || !params)                                                                                             \
      return 1;                                                                                                        \
    Work(result, state, params);                                                                                       \
    return 1;                                                                                                          \
  }                                                                                                                    \
  extern "C" QZ_EXPORT void Name##_init(miState *state, void *params, miBoolean *instanceInit) {                       \
    qzFrameInit(state, params, instanceInit);                                                                          \
  }                                                                                                                    \
  extern "C" QZ_EXPORT void Name##_exit(miState *state, void *params) { qzFrameExit(state, params); }                  \
  extern "C" QZ_EXPORT miInteger Name##_version(void) { return qzFrameVersion(); }

#endif
