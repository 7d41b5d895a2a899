// The escape step of one point, with two exact ways to stop early for a
// point whose orbit never escapes. Such points cost the whole budget in a
// plain loop and dominate a render at high budgets; both shortcuts return 0
// only where the plain loop provably returns 0 too.
//
// Notation: F is one update exactly as computed here, in doubles, each
// operation rounded by itself (the build forbids fused multiply-adds):
// F(x, y) = ((x*x - y*y) + cr, (x*2)*y + ci). z_n = F^n(0). The loop tests
// z_(n-1) at step n and returns n if its squared modulus is above 16.
//
// 1. Exact return (Brent's cycle detection). The iterate at each power-of-two
//    step is saved; every later iterate is compared with it. If z_n == z_m
//    for some m < n, then z_m, ..., z_(n-1) have all been tested without
//    escaping, and the orbit from z_n on repeats them: nothing ever escapes.
//    The comparison is ==, which equates +0 and -0 (NaN never reaches the
//    loop). That is enough: F maps points that differ only in the signs of
//    zero coordinates to such points again (x*x and y*y lose the sign; a
//    zero product (x*2)*y plus ci is ci, or a zero when ci is a zero), and
//    the escape test sees only squares.
//
// 2. Trapped orbit. An orbit attracted by a cycle of period p comes back
//    close to itself after p steps long before it repeats exactly, which can
//    take thousands of steps near the edge of the set. When the iterate
//    comes within a small distance of the saved one, we try to prove, with
//    rounding included, that a disc around it is mapped into itself by p
//    steps of F while staying inside |z| <= 2 (see orbitIsTrapped). Then
//    every later iterate lies in one of these discs, where the escape test
//    cannot pass, and the plain loop would run the budget out.
#include "escape_step.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kEscapeRadiusSquared = 16.0;

// A return closer than this (squared distance to the saved iterate) starts
// a trap attempt. Each failed attempt asks the next one to come 4 times
// closer, and waits 2 periods, so failed attempts cost at most as much
// again as the loop itself.
constexpr double kNearReturnSquared = 0x1p-12;
constexpr double kNearReturnShrink = 1.0 / 16.0;
// The threshold never drops to 0, so that an exact return (squared distance
// 0) always reaches the exact comparison.
constexpr double kMinNearReturnSquared = std::numeric_limits<double>::min();

// The trap proof. Unit roundoff u = 2^-53.
//
// Rounding of one step: for |z| <= 3 and |cr|, |ci| <= 2, |F(z) - f(z)|
// <= kStepError, where f(z) = z^2 + c exactly. Real part: the two squares,
// the difference and the sum are each off by a relative u at most, so the
// error is at most u(3(x^2 + y^2)(1 + u)^2 + |cr|) <= 30u. Imaginary part:
// x*2 is exact, so at most u(2|xy|(2 + u) + |ci|) <= 21u. Together below
// 37u < 2^-47; kStepError = 2^-40 leaves a factor of 100 for the subnormal
// range, where an operation may be off by 2^-1074 absolutely.
constexpr double kStepError = 0x1p-40;
// Only points with |cr|, |ci| <= 2 are trapped (all others escape anyway).
constexpr double kTrapMaxC = 2.0;
// The discs stay inside |z| <= 2: far inside the radius 3 that kStepError
// holds for, and the escape test cannot pass there, as 4(1 + u)^2 < 16.
constexpr double kTrapMaxModulus = 2.0;
// Every bound below is computed in doubles and then multiplied by
// kRoundUp. The factor outweighs the handful of roundings by a relative u
// that went into the bound, so each stored bound is at least the true one.
constexpr double kRoundUp = 1.0 + 0x1p-30;
// A cycle whose estimated multiplier is this close to 1 attracts too
// slowly to be worth an attempt.
constexpr double kMaxMultiplier = 0.999;

struct Point {
  double x, y;
};

inline Point step(Point z, double cr, double ci) { return Point{(z.x * z.x - z.y * z.y) + cr, (z.x * 2.0) * z.y + ci}; }

// Upper bounds of |z| and |a - b|.
inline double modulusBound(Point z) { return std::sqrt(z.x * z.x + z.y * z.y) * kRoundUp; }
inline double distanceBound(Point a, Point b) { return modulusBound(Point{a.x - b.x, a.y - b.y}); }

// True when the disc D(a, R), for a radius R chosen here, is proven to be
// mapped into itself by `period` steps of F, each step's image lying inside
// |z| <= 2.
//
// Disc step: if |w - A| <= r and |w|, |A| <= 3, then
// |F(w) - F(A)| <= |f(w) - f(A)| + 2 kStepError
//              = |w - A| |w + A| + 2 kStepError <= r(2|A| + r) + 2 kStepError.
// So with A_0 = a, A_(k+1) = F(A_k) (the orbit itself, computed the same
// way), r_0 = R and r_(k+1) = r_k(2|A_k| + r_k) + 2 kStepError, F^k maps
// D(a, R) into D(A_k, r_k) while |A_k| + r_k <= 2 for every k; if also
// |A_period - a| + r_period <= R, the disc maps into itself.
bool orbitIsTrapped(Point a, double cr, double ci, miInteger period) {
  if (!(std::fabs(cr) <= kTrapMaxC && std::fabs(ci) <= kTrapMaxC))
    return false;

  // Choose R. The cycle's multiplier is about the product of 2|A_k| over
  // one period, and the orbit contracts by it towards the cycle each
  // period: R of twice the distance still to go, divided by what one
  // period gains, leaves room for the squared terms.
  double multiplier = 1.0;
  Point z = a;
  for (miInteger k = 0; k < period; ++k) {
    multiplier *= 2.0 * std::sqrt(z.x * z.x + z.y * z.y);
    z = step(z, cr, ci);
  }
  if (!(multiplier < kMaxMultiplier))
    return false;
  const double stepErrors = 2.0 * kStepError * static_cast<double>(period);
  const double radius = 2.0 * (distanceBound(z, a) + stepErrors) / (1.0 - multiplier);

  // Prove it.
  if (!(modulusBound(a) + radius <= kTrapMaxModulus))
    return false;
  double r = radius;
  z = a;
  for (miInteger k = 0; k < period; ++k) {
    r = ((2.0 * modulusBound(z) + r) * r + 2.0 * kStepError) * kRoundUp;
    z = step(z, cr, ci);
    if (!(modulusBound(z) + r <= kTrapMaxModulus))
      return false;
  }
  return (distanceBound(z, a) + r) * kRoundUp <= radius;
}

} // namespace

miInteger qzEscapeStep(double cr, double ci, miInteger iterations) {
  // A NaN in c makes z_1 hold a NaN, and F keeps a NaN in every iterate
  // after it; the escape test is false for NaN, so the budget runs out.
  // A finite c never produces a NaN: an iterate that passed the test has
  // |x|, |y| <= 4, and one step from there stays finite.
  if (std::isnan(cr) || std::isnan(ci))
    return 0;

  Point z{0.0, 0.0};
  Point saved = z; // z_(savedAt); saved again at steps 1, 2, 4, 8, ...
  miInteger savedAt = 0;
  miInteger nextSave = 1;
  double nearReturn = kNearReturnSquared;
  miInteger nextAttempt = 0;

  for (miInteger n = 1; n < iterations; ++n) {
    if (z.y * z.y + z.x * z.x > kEscapeRadiusSquared)
      return n;
    z = step(z, cr, ci); // z_n, to be tested at step n + 1

    const double dx = z.x - saved.x;
    const double dy = z.y - saved.y;
    const double distanceSquared = dx * dx + dy * dy;
    if (distanceSquared < nearReturn) [[unlikely]] {
      if (z.x == saved.x && z.y == saved.y)
        return 0;
      if (n >= nextAttempt) {
        const miInteger period = n - savedAt;
        if (orbitIsTrapped(z, cr, ci, period))
          return 0;
        nearReturn = std::fmax(distanceSquared * kNearReturnShrink, kMinNearReturnSquared);
        nextAttempt = n + 2 * period;
      }
    }
    if (n == nextSave) {
      saved = z;
      savedAt = n;
      nextSave = 2 * n;
    }
  }
  return 0;
}
