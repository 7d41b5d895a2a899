// Checks of a network description that need no plug-in: connections that
// exist and fit, no cycle, a bounded depth and work per sample, texture
// spaces the host serves.
#pragma once

#include <cstdint>

#include "qzhost/network_description.h"

namespace qzhost {

// Connections nest at most this deep (root -> ... -> leaf), so a sample's
// chain of mi_phen_eval calls stays well inside a thread's stack.
constexpr int kMaxConnectionDepth = 64;

// A shader runs once for every evaluation of a connection to it, so a
// network whose connections branch and meet again runs its shaders
// exponentially often: forty instances, each reading two parameters from the
// one before, would run 2^40 shaders for every sample. The root may run at
// most this many per sample, itself included.
constexpr uint64_t kMaxShaderRunsPerSample = 10000;

// Largest parameter block the host lays out for one instance.
constexpr size_t kMaxBlockSize = 64 * 1024;

// Fills *error and returns false on the first problem found.
bool checkNetwork(const NetworkDescription &description, LoadError *error);

// One more than the largest constant texture-space index, at least 1.
int textureSpacesNeeded(const NetworkDescription &description);

} // namespace qzhost
