// The Mandelbrot iteration of one point, with exact shortcuts for points
// whose orbit provably never escapes.
#ifndef QZFRACTAL_ESCAPE_STEP_H
#define QZFRACTAL_ESCAPE_STEP_H

#include "qzfractal/host_types.h"

// The step n at which |z| is first found above 4 when z <- z^2 + c is run
// from z = 0, testing before each update from n = 1 on, for n below
// `iterations`; 0 when no such step exists. Each operation is a double
// rounded by itself in the order x' = (x*x - y*y) + cr, y' = (x*2)*y + ci.
//
// The result is bit for bit that of running the loop plainly to the end of
// the budget: a shortcut returns 0 only where the plain loop provably would.
extern "C" miInteger qzEscapeStep(double cr, double ci, miInteger iterations);

#endif
