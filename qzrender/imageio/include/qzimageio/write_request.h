// The boundary between qzrender and its OpenImageIO writer, libqzimageio: a
// module of its own, loaded with dlopen only for the formats it writes, so
// that qzrender starts without OpenImageIO's hundreds of shared libraries.
// Plain C on purpose: one record in, an error text out, nothing of C++
// (types, exceptions, allocations) crosses it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Raised whenever the record changes; the module refuses any other value, so
// a module left over from another build fails with a message, not a crash.
#define QZIMAGEIO_INTERFACE_VERSION 1

// The exported entry's name, for dlsym.
#define QZIMAGEIO_WRITE_ENTRY "qzimageio_write"

enum QzImageioEncoding {
  // 32-bit floats as rendered; the region sits at (x, y) in a display
  // window of fullWidth x fullHeight; zip compression; linear colour space.
  QZIMAGEIO_FLOAT_DATA = 0,
  // 8-bit values already encoded for looking at; sRGB colour space.
  QZIMAGEIO_SRGB8 = 1
};

typedef struct QzImageioRequest {
  int32_t interfaceVersion; // QZIMAGEIO_INTERFACE_VERSION; stays the first field
  int32_t encoding;         // QzImageioEncoding
  const char *path;         // the file to write (a temporary name)
  const char *formatName;   // the name whose extension picks the format
  const void *pixels;       // rows top-down, channels interleaved: float or uint8_t, by encoding
  int32_t width, height;    // of the pixels
  int32_t channels;         // 1 (channel "Y") or 4 ("R", "G", "B", "A")
  int32_t x, y;             // where the pixels lie in the frame
  int32_t fullWidth, fullHeight;
  int32_t samples; // N of N x N samples per pixel
  // Metadata: Software, DocumentName, ImageDescription, and qzrender's own
  // attributes where the format keeps them.
  const char *software;
  const char *scene;
  const char *shader;
  const char *parameters;
  const char *description;
} QzImageioRequest;

// Writes the image. Returns null when it is written completely, otherwise
// `errorText`, holding why not (cut to errorSize - 1 characters).
typedef const char *QzImageioWrite(const QzImageioRequest *request, char *errorText, size_t errorSize);

#ifdef __cplusplus
}
#endif
