/* qzFractalColorizerArea5: a scalar in 0..1 as a colour on a ramp of six
 * colours over five bands. Band k runs from limit k-1 (0 for band 1) to
 * limit k and from colour k-1 to colour k; exactly 0 gives color0.
 *
 * Result: colour. A value below 0 or above 1, a NaN value, or one above
 * every limit gives (0, 0, 0, 0). The limits are meant to ascend; they are
 * not checked: the first limit, in the order 1 to 5, that is >= the value
 * picks the band, and each limit passed on the way becomes the band's lower
 * bound. Meant to take the output of qzFractalMandelbrot as its value, so
 * that color0 paints the set. */
#ifndef QZFRACTAL_COLORIZER_AREA5_H
#define QZFRACTAL_COLORIZER_AREA5_H

#include "qzfractal/host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The parameter block, 120 bytes, fields in declaration order. */
typedef struct qzFractalColorizerArea5Params {
  miScalar value;  /* the scalar to colour, 0..1 */
  miScalar limit1; /* upper bound of band 1 */
  miScalar limit2;
  miScalar limit3;
  miScalar limit4;
  miScalar limit5; /* upper bound of band 5: a value above it gets no colour */
  miColor color0;  /* colour at 0; the result for exactly 0 (or -0) */
  miColor color1;  /* colour at limit1 */
  miColor color2;
  miColor color3;
  miColor color4;
  miColor color5; /* colour at limit5 */
} qzFractalColorizerArea5Params;

#ifdef __cplusplus
}
#endif

#endif
