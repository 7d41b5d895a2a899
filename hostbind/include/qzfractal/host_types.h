/* Plain value types that cross between the renderer and a shader plug-in. */
#ifndef QZFRACTAL_HOST_TYPES_H
#define QZFRACTAL_HOST_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t miBoolean; /* the host's truth value: 1 true, 0 false */
typedef int32_t miInteger;
typedef float miScalar;

/* A colour record: four scalars, 16 bytes. */
typedef struct miColor {
  miScalar r, g, b, a;
} miColor;

/* The host's per-sample render state. Plug-ins never see its definition: they
 * read the few members they need at the byte offsets of host_records.h. */
typedef struct miState miState;

#ifdef __cplusplus
}
#endif

#endif
