/* qzFractalMandelbrot: the normalised escape value of the Mandelbrot
 * iteration at a sample's texture coordinates.
 *
 * Result: scalar. 0 for a point that has not escaped within `iterations`
 * steps (in practice a point of the set), otherwise n / iterations for the
 * step n at which |z| was first found above 4.
 *
 * The host must give the render state a texture-coordinate list of at least
 * texSpace + 1 entries: the shader cannot know the list's length and reads
 * entry `texSpace` as it is told. */
#ifndef QZFRACTAL_MANDELBROT_H
#define QZFRACTAL_MANDELBROT_H

#include "qzfractal/host_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The parameter block, 24 bytes, fields in declaration order. */
typedef struct qzFractalMandelbrotParams {
  miScalar left;        /* real part of c at u = 0 */
  miScalar right;       /* real part of c at u = 1; must exceed left */
  miScalar top;         /* imaginary part of c at v = 1; must exceed bottom */
  miScalar bottom;      /* imaginary part of c at v = 0 */
  miInteger iterations; /* budget, 11 to 9999; anything else gives 0 */
  miInteger texSpace;   /* texture space to read u, v from; 0 or more */
} qzFractalMandelbrotParams;

#ifdef __cplusplus
}
#endif

#endif
