// qzFractalColorizerSimple: a colour of its own for exactly 0, a two-colour
// gradient above it.
#include "qzFractalColorizerSimple.h"
#include "qzfractal/color_ramp.h"
#include "qzfractal/shader_frame.h"

static_assert(sizeof(qzFractalColorizerSimpleParams) == 52, "the host lays the block out without gaps");

namespace {

// Parameters are evaluated in a fixed order, each at most once: `value`;
// if it is in range, `startColor` and `endColor` (also for the value 0);
// then `zeroColor` for the value 0 only. A connected parameter runs another
// shader, so this is the order in which the host is asked for outputs.
void shadeColorizerSimple(miColor *result, miState *state, const qzFractalColorizerSimpleParams *params) {
  const miScalar value = readParameter(state, &params->value);
  if (qzOutsideUnitRange(value))
    return;
  const miColor start = readParameter(state, &params->startColor);
  const miColor end = readParameter(state, &params->endColor);
  if (value == 0.0f) {
    *result = readParameter(state, &params->zeroColor);
    return;
  }
  *result = qzLerpColor(start, end, value);
}

} // namespace

QZ_DEFINE_SHADER(qzFractalColorizerSimple, miColor, qzFractalColorizerSimpleParams, shadeColorizerSimple)
