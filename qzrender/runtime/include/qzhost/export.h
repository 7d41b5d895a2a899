// Symbol visibility of the host runtime library: everything is hidden unless
// marked, so the library exports only its C++ interface and the host
// functions it really implements.
#pragma once

#define QZHOST_API __attribute__((visibility("default")))
