// Checks of a network description that need no plug-in: connections that
// exist and fit, no cycle, a bounded depth, texture spaces the host serves.
#pragma once

#include "qzhost/network_spec.h"

namespace qzhost {

// Connections nest at most this deep (root -> ... -> leaf), so a sample's
// chain of mi_phen_eval calls stays well inside a thread's stack.
constexpr int kMaxConnectionDepth = 64;

// Largest parameter block the host lays out for one instance.
constexpr size_t kMaxBlockSize = 64 * 1024;

// Fills *error and returns false on the first problem found.
bool checkNetwork(const NetworkSpec &spec, LoadError *error);

// One more than the largest constant texture-space index, at least 1.
int textureSpacesNeeded(const NetworkSpec &spec);

} // namespace qzhost
