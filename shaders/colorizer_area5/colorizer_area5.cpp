// qzFractalColorizerArea5: a six-colour ramp over five bands whose bounds are
// parameters, searched lazily so that shaders connected to limits and
// colours beyond the chosen band never run.
#include "qzFractalColorizerArea5.h"
#include "qzfractal/color_ramp.h"
#include "qzfractal/shader_frame.h"

static_assert(sizeof(qzFractalColorizerArea5Params) == 120, "the host lays the block out without gaps");

namespace {

using Params = qzFractalColorizerArea5Params;

constexpr int kBands = 5;
// Band k (0-based) ends at kLimit[k] with colour kUpperColor[k].
constexpr miScalar Params::*kLimit[kBands] = {&Params::limit1, &Params::limit2, &Params::limit3, &Params::limit4,
                                              &Params::limit5};
constexpr miColor Params::*kUpperColor[kBands] = {&Params::color1, &Params::color2, &Params::color3, &Params::color4,
                                                  &Params::color5};

// Evaluates a leading part of `value`, `color0`, `limit1`, `color1`, ...,
// `limit5`, `color5`, each parameter at most once, and stops after `value`
// when it is out of range, after `color0` for the value 0, after the upper
// colour of the chosen band, or after `limit5` when no band is chosen.
void shadeColorizerArea5(miColor *result, miState *state, const Params *params) {
  const miScalar value = readParameter(state, &params->value);
  if (qzOutsideUnitRange(value))
    return;
  miColor lowerColor = readParameter(state, &params->color0);
  // Also keeps a limit1 of 0 from dividing 0 by 0 below.
  if (value == 0.0f) {
    *result = lowerColor;
    return;
  }

  miScalar lowerBound = 0.0f;
  for (int band = 0; band < kBands; ++band) {
    const miScalar limit = readParameter(state, &(params->*kLimit[band]));
    // False for a NaN limit or value: a NaN limit is passed over and becomes
    // the lower bound, a NaN value passes every limit and stays uncoloured.
    if (limit >= value) {
      const miColor upperColor = readParameter(state, &(params->*kUpperColor[band]));
      const miScalar above = value - lowerBound;
      const miScalar width = limit - lowerBound;
      *result = qzLerpColor(lowerColor, upperColor, above / width);
      return;
    }
    lowerBound = limit;
    // color5 is only ever an upper colour: past limit5 there is no band.
    if (band + 1 < kBands)
      lowerColor = readParameter(state, &(params->*kUpperColor[band]));
  }
}

} // namespace

QZ_DEFINE_SHADER(qzFractalColorizerArea5, miColor, qzFractalColorizerArea5Params, shadeColorizerArea5)
