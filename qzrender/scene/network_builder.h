// Turns a scene into the network the host runtime loads: picks the instance
// to render, applies command-line overrides, resolves connections by name,
// and fills every parameter block from the declaration's defaults and the
// instance's values. Load errors of the runtime are mapped back to the place
// in the scene they concern.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "qzhost/network.h"
#include "scene.h"

namespace qzscene {

// Applies `--param INSTANCE.PARAM=VALUE` (`option` is the whole argument
// after --param); the value replaces any value or connection the scene gave.
// Errors name the option.
void applyOverride(Scene &scene, const std::string &option);

// The instance named `rootName`, or the last one when the name is empty.
// Throws SceneError naming `--shader` or the scene when there is none.
int chooseRoot(const Scene &scene, const std::string &rootName);

qzhost::NetworkDescription buildNetwork(const Scene &scene, int root);

// Loads the network; a failure is thrown as a SceneError at its place.
std::unique_ptr<qzhost::Network> loadNetwork(const Scene &scene, int root);

// The instances the root depends on, one per line, with every parameter's
// value or connection: `ramp qzFractalColorizerArea5 (value = fractal, ...)`.
std::string describeNetwork(const Scene &scene, int root);

} // namespace qzscene
