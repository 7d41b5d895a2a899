// Shaders that exist to test qzrender's host: they show what the host hands
// a shader (texture coordinates, connected values) and count the lifecycle
// calls it makes. Built on the project's own frame and binding layer, like
// the real plug-ins, and declared in scenes/qztest_shaders.mi.
#include <atomic>

#include "qzfractal/host_functions.h"
#include "qzfractal/shader_frame.h"

extern "C" QZ_INTERNAL miScalar mi_noise_1d(miScalar x); // not implemented by qzrender

namespace {

struct UvParams {
  miInteger texSpace;
};

// (u, v, texSpace, 1) of texture space `texSpace`; cleared for a negative one.
void shadeUv(miColor *result, miState *state, const UvParams *params) {
  const miInteger space = readParameter(state, &params->texSpace);
  const unsigned char *list = qzStateTextureList(state);
  if (space < 0 || list == nullptr)
    return;
  float uv[2];
  memcpy(uv, list + static_cast<size_t>(space) * QZ_TEXTURE_ENTRY_SIZE, sizeof uv);
  *result = miColor{uv[0], uv[1], static_cast<miScalar>(space), 1.0f};
}

struct IntegerParams {
  miInteger value;
};

struct ScaleParams {
  miScalar value;
  miScalar scale;
};

void shadeScale(miScalar *result, miState *state, const ScaleParams *params) {
  const miScalar value = readParameter(state, &params->value);
  *result = value * readParameter(state, &params->scale);
}

// Calls a host message function and one the host does not implement.
void shadeAskHost(miScalar *result, miState *, const IntegerParams *) {
  mi_warning("%s asks at %d%%", "qzTestAskHost", 100);
  *result = mi_noise_1d(0.5f);
}

void shadeFatal(miScalar *, miState *, const IntegerParams *) { mi_fatal("%s gives up", "qzTestFatal"); }

std::atomic<int> shaderInits{0}, instanceInits{0}, instanceExits{0}, shaderExits{0};

void shadeCounted(miScalar *result, miState *, const ScaleParams *) { *result = 1.0f; }

} // namespace

extern "C" {
QZ_DEFINE_SHADER(qzTestUv, miColor, UvParams, shadeUv)

// The frame has no integer result; the entry is written out.
QZ_EXPORT miBoolean qzTestInteger(miInteger *result, miState *state, IntegerParams *params) {
  if (result == nullptr)
    return 1;
  *result = 0;
  if (state && params)
    *result = readParameter(state, &params->value);
  return 1;
}
QZ_EXPORT miInteger qzTestInteger_version(void) { return 1; }
QZ_DEFINE_SHADER(qzTestScale, miScalar, ScaleParams, shadeScale)
QZ_DEFINE_SHADER(qzTestAskHost, miScalar, IntegerParams, shadeAskHost)
QZ_DEFINE_SHADER(qzTestFatal, miScalar, IntegerParams, shadeFatal)

// Declared as version 1 in the tests' declarations, but is version 2.
QZ_EXPORT miBoolean qzTestVersion2(miScalar *result, miState *, void *) {
  if (result)
    *result = 0.0f;
  return 1;
}
QZ_EXPORT miInteger qzTestVersion2_version(void) { return 2; }

// Asks for per-instance init calls and counts every lifecycle call.
QZ_EXPORT miBoolean qzTestLifecycle(miScalar *result, miState *state, ScaleParams *params) {
  if (result)
    shadeCounted(result, state, params);
  return 1;
}
QZ_EXPORT void qzTestLifecycle_init(miState *, void *params, miBoolean *instanceInit) {
  if (params == nullptr) {
    ++shaderInits;
    *instanceInit = 1;
  } else {
    ++instanceInits;
  }
}
QZ_EXPORT void qzTestLifecycle_exit(miState *, void *params) { ++(params ? instanceExits : shaderExits); }
QZ_EXPORT miInteger qzTestLifecycle_version(void) { return 1; }
QZ_EXPORT void qzTestLifecycleCounts(int counts[4]) {
  counts[0] = shaderInits.exchange(0);
  counts[1] = instanceInits.exchange(0);
  counts[2] = instanceExits.exchange(0);
  counts[3] = shaderExits.exchange(0);
}
}
