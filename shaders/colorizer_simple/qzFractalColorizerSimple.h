/* qzFractalColorizerSimple: a scalar in 0..1 as a colour. Exactly 0 gives
 * zeroColor; above 0 and up to 1, the straight gradient from startColor
 * (approached as the value falls towards 0) to endColor (at 1).
 *
 * Result: colour. A value below 0 or above 1 gives (0, 0, 0, 0); a NaN value
 * gives NaN in all four channels. Meant to take the output of
 * qzFractalMandelbrot as its value, so that zeroColor paints the set. */
#ifndef QZFRACTAL_COLORIZER_SIMPLE_H
#define QZFRACTAL_COLORIZER_SIMPLE_H

#include "qzfractal/host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The parameter block, 52 bytes, fields in declaration order. */
typedef struct qzFractalColorizerSimpleParams {
  miScalar value;     /* the scalar to colour, 0..1 */
  miColor zeroColor;  /* result for exactly 0 (or -0) */
  miColor startColor; /* gradient colour at the low end */
  miColor endColor;   /* gradient colour at 1 */
} qzFractalColorizerSimpleParams;

#ifdef __cplusplus
}
#endif

#endif
