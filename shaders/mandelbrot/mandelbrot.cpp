// qzFractalMandelbrot: escape value of z <- z^2 + c over a rectangle of the
// complex plane mapped onto texture space.
//
// Every operation below is rounded by itself in the order written; the build
// forbids contraction into fused multiply-adds so the result is bit-exact on
// every platform.
#include "escape_step.h"
#include "qzFractalMandelbrot.h"
#include "qzfractal/shader_frame.h"

static_assert(sizeof(qzFractalMandelbrotParams) == 24, "the host lays the block out without gaps");

namespace {

constexpr miInteger kMinIterations = 11;
constexpr miInteger kMaxIterations = 9999;

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
  // A connected shader's host may have taken the list away meanwhile: that
  // is invalid input like a null list, not a null pointer to read through.
  const unsigned char *textureList = qzStateTextureList(state);
  if (textureList == nullptr)
    return;
  const unsigned char *entry = textureList + static_cast<size_t>(texSpace) * QZ_TEXTURE_ENTRY_SIZE;
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

  const miInteger n = qzEscapeStep(cr, ci, iterations);
  if (n != 0)
    *result = static_cast<miScalar>(n) / static_cast<miScalar>(iterations);
}

} // namespace

QZ_DEFINE_SHADER(qzFractalMandelbrot, miScalar, qzFractalMandelbrotParams, shadeMandelbrot)
