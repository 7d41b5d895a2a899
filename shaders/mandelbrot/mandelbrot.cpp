// qzFractalMandelbrot: escape value of z <- z^2 + c over a rectangle of the
// complex plane mapped onto texture space.
//
// Every operation below is rounded by itself in the order written; the build
// forbids contraction into fused multiply-adds so the result is bit-exact on
// every platform.
#include "qzFractalMandelbrot.h"
#include "qzfractal/shader_frame.h"

namespace {

constexpr miInteger kMinIterations = 11;
constexpr miInteger kMaxIterations = 9999;
constexpr double kEscapeRadiusSquared = 16.0;

// The step at which |z| is first found above 4 (tested before each update,
// from n = 1 on z = 0), or 0 when the budget runs out first.
miInteger escapeStep(double cr, double ci, miInteger iterations) {
  double x = 0.0;
  double y = 0.0;
  for (miInteger n = 1; n < iterations; ++n) {
    if (y * y + x * x > kEscapeRadiusSquared)
      return n;
    const double nextX = (x * x - y * y) + cr;
    const double nextY = (x * 2.0) * y + ci;
    x = nextX;
    y = nextY;
  }
  return 0;
}

void shadeMandelbrot(miScalar *result, miState *state, const qzFractalMandelbrotParams *params) {
  if (qzStateTextureList(state) == nullptr)
    return;

  const miInteger iterations = readParameter(state, &params->iterations);
  if (iterations < kMinIterations || iterations > kMaxIterations)
    return;
  const miInteger texSpace = readParameter(state, &params->texSpace);
  if (texSpace < 0)
    return;

  // Read the list anew: evaluating a connected parameter ran another shader.
  const unsigned char *entry = qzStateTextureList(state) + static_cast<size_t>(texSpace) * QZ_TEXTURE_ENTRY_SIZE;
  miScalar u;
  miScalar v;
  memcpy(&u, entry, sizeof u);
  memcpy(&v, entry + sizeof u, sizeof v);

  const miScalar left = readParameter(state, &params->left);
  const miScalar right = readParameter(state, &params->right);
  if (left >= right)
    return;
  const miScalar top = readParameter(state, &params->top);
  const miScalar bottom = readParameter(state, &params->bottom);
  if (bottom >= top)
    return;

  const miScalar width = right - left;
  const miScalar height = top - bottom;
  const double cr = static_cast<double>(u) * static_cast<double>(width) + static_cast<double>(left);
  const double ci = static_cast<double>(v) * static_cast<double>(height) + static_cast<double>(bottom);

  const miInteger n = escapeStep(cr, ci, iterations);
  if (n != 0)
    *result = static_cast<miScalar>(n) / static_cast<miScalar>(iterations);
}

} // namespace

QZ_DEFINE_SHADER(qzFractalMandelbrot, miScalar, qzFractalMandelbrotParams, shadeMandelbrot)
