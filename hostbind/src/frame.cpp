// Entry behaviour shared by every shader plug-in.
#include "qzfractal/shader_frame.h"

extern "C" {

const unsigned char qzZeroValue[16] = {};

// Asks the host for a per-instance init call when called once per shader
// (null parameter block); per-instance calls leave the flag as it was.
void qzFrameInit(miState *, void *params, miBoolean *instanceInit) {
  if (params == nullptr && instanceInit != nullptr)
    *instanceInit = 1;
}

void qzFrameExit(miState *, void *) {}

miInteger qzFrameVersion(void) { return 1; }
}
