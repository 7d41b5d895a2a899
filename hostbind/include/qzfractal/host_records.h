/* Where the host keeps the members that shaders read.
 *
 * These byte offsets are those of the renderer's 64-bit record layout and are
 * part of the binary interface with it. The plug-ins only ever read these
 * records, through memcpy, so no member needs a declared C type here. */
#ifndef QZFRACTAL_HOST_RECORDS_H
#define QZFRACTAL_HOST_RECORDS_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "qzfractal/host_types.h"

#if !defined(__x86_64__) && !defined(_M_X64)
#error "qzfractal plug-ins target the renderer's 64-bit x86 layout only"
#endif

enum {
  /* render state */
  QZ_STATE_TEXTURE_LIST = 248, /* pointer: texture-coordinate list, may be null */
  QZ_STATE_SHADER = 312,       /* pointer: record of the running shader */
  /* shader function record */
  QZ_SHADER_GHOST_OFFSET = 96, /* int32: parameter -> connection tag distance */
  QZ_SHADER_GHOST_FLAG = 109,  /* uint8: 1 when the block has connection tags */
  /* texture-coordinate list: one entry of three scalars (u, v, w) per space */
  QZ_TEXTURE_ENTRY_SIZE = 12
};

static inline const unsigned char *qzReadPointer(const void *record, size_t offset) {
  const unsigned char *value;
  memcpy(&value, (const unsigned char *)record + offset, sizeof value);
  return value;
}

/* The state's texture-coordinate list; entry i starts at byte 12 * i. */
static inline const unsigned char *qzStateTextureList(const miState *state) {
  return qzReadPointer(state, QZ_STATE_TEXTURE_LIST);
}

/* The record of the shader the host is running now. */
static inline const unsigned char *qzStateShader(const miState *state) { return qzReadPointer(state, QZ_STATE_SHADER); }

#endif
