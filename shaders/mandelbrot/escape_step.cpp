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
// 1. Exact return (Brent's cycle detection). The iterates z_7, z_15, z_31,
//    ... are saved in turn; every later iterate that has passed the
//    escape test is compared with the one saved last (those whose real part
//    is close, by a cheap filter on bit patterns). If z_k == z_m for some
//    m < k, then z_m, ..., z_k have all been tested without escaping, and
//    the orbit from z_k on repeats them: nothing ever escapes.
//    The comparison is ==, which equates +0 and -0 (NaN never reaches the
//    loop). That is enough: F maps points that differ only in the signs of
//    zero coordinates to such points again (x*x and y*y lose the sign; a
//    zero product (x*2)*y plus ci is ci, or a zero when ci is a zero), and
//    the escape test sees only squares.
//
// 2. Trapped orbit. An orbit attracted by a cycle of period p comes back
//    close to itself after p steps long before it repeats exactly, which can
//    take thousands of steps near the edge of the set. A tested iterate that
//    comes within a small distance of the saved one suggests a period; from
//    then on we try now and then to prove, with rounding included, that a
//    disc around the current iterate is mapped into itself by p steps of F
//    while staying inside |z| <= 2 (see trapOrbit). Then every later
//    iterate lies in one of these discs, where the escape test cannot pass,
//    and the plain loop would run the budget out.
//
// 3. Known cycles. In the main cardioid and the period-2 bulb the
//    attracting cycle has a closed form, so the disc of 2. can be centred on
//    the cycle itself and made as large as the proof allows before the loop
//    starts; the loop then only asks whether the iterate has entered it.
//    The closed form only proposes the disc: the same proof as in 2. decides.
#include "escape_step.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr double kEscapeRadiusSquared = 16.0;
constexpr miInteger kFirstSave = 7;

// A return to within this distance of the saved iterate suggests a period.
// Each one asks the next to come 4 times closer, so that an orbit that
// lingers near its saved iterate is not looked at again at every step.
constexpr double kNearReturn = 0x1p-8;
constexpr double kNearReturnShrink = 0.25;
// The threshold never drops to 0, so that an exact return (distance 0)
// always reaches the exact comparison.
constexpr double kMinNearReturn = std::numeric_limits<double>::min();
// The loop looks for returns with integer operations only, leaving the
// floating-point units to the iteration: the bit patterns of the real parts
// of the iterate and of the saved iterate may differ only below this bit
// (relatively, about 2^-12). Each hit narrows the filter 4 times, down to
// equal patterns; each new saved iterate starts it afresh. A filter that
// misses a return costs time only: every shortcut is proven in full.
constexpr uint64_t kReturnFilter = uint64_t{1} << 40;
// After a failed attempt, the next waits a quarter of the steps made so far,
// and at least 4 periods: an attempt costs at most 2 periods of steps, so
// attempts cost at most half as much again as the loop.
constexpr miInteger kAttemptSpacingPeriods = 4;
constexpr miInteger kAttemptSpacingDivisor = 4;
constexpr miInteger kNoAttempt = std::numeric_limits<miInteger>::max();

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

inline uint64_t bitsOf(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Upper bounds of |z| and |a - b|.
inline double modulusBound(Point z) { return std::sqrt(z.x * z.x + z.y * z.y) * kRoundUp; }
inline double distanceBound(Point a, Point b) { return modulusBound(Point{a.x - b.x, a.y - b.y}); }

enum class Trap {
  kProven,  // the orbit never escapes
  kNotYet,  // the cycle attracts, but the orbit is not close enough yet
  kNoCycle, // no attracting cycle of this period here: stop trying it
};

// True when the disc D(a, radius) is proven to be mapped into itself by
// `period` steps of F, each step's image lying inside |z| <= 2.
//
// Disc step: if |w - A| <= r and |w|, |A| <= 3, then
// |F(w) - F(A)| <= |f(w) - f(A)| + 2 kStepError
//              = |w - A| |w + A| + 2 kStepError <= r(2|A| + r) + 2 kStepError.
// So with A_0 = a, A_(k+1) = F(A_k) (computed the same way), r_0 = radius
// and r_(k+1) = r_k(2|A_k| + r_k) + 2 kStepError, F^k maps D(a, radius)
// into D(A_k, r_k) while |A_k| + r_k <= 2 for every k; if also
// |A_period - a| + r_period <= radius, the disc maps into itself.
// Nothing is assumed about a: any centre works, the bounds decide.
// Requires |cr|, |ci| <= kTrapMaxC.
bool provesTrap(Point a, double cr, double ci, miInteger period, double radius) {
  if (!((modulusBound(a) + radius) * kRoundUp <= kTrapMaxModulus))
    return false;
  double r = radius;
  Point z = a;
  for (miInteger k = 0; k < period; ++k) {
    r = ((2.0 * modulusBound(z) + r) * r + 2.0 * kStepError) * kRoundUp;
    z = step(z, cr, ci);
    if (!((modulusBound(z) + r) * kRoundUp <= kTrapMaxModulus))
      return false;
  }
  return (distanceBound(z, a) + r) * kRoundUp <= radius;
}

// Tries to prove the orbit trapped at its iterate a: that a disc around a,
// for a radius chosen here, is mapped into itself by `period` steps of F
// (provesTrap). a lies in the disc, so every later iterate does too.
Trap trapOrbit(Point a, double cr, double ci, miInteger period) {
  if (!(std::fabs(cr) <= kTrapMaxC && std::fabs(ci) <= kTrapMaxC))
    return Trap::kNoCycle;

  // Choose R. The cycle's multiplier is about the product of 2|A_k| over
  // one period, and the orbit contracts by it towards the cycle each
  // period: R of twice the distance still to go, divided by what one
  // period gains, leaves room for the squared terms.
  // (Squared here, to spare a square root per step on the many attempts
  // that end at this point.)
  double multiplierSquared = 1.0;
  Point z = a;
  for (miInteger k = 0; k < period; ++k) {
    const double modulusSquared = z.x * z.x + z.y * z.y;
    if (!(modulusSquared <= kTrapMaxModulus * kTrapMaxModulus))
      return Trap::kNoCycle;
    multiplierSquared *= 4.0 * modulusSquared;
    z = step(z, cr, ci);
  }
  if (!(multiplierSquared < kMaxMultiplier * kMaxMultiplier))
    return Trap::kNoCycle;
  const double multiplier = std::sqrt(multiplierSquared);
  const double stepErrors = 2.0 * kStepError * static_cast<double>(period);
  const double radius = 2.0 * (distanceBound(z, a) + stepErrors) / (1.0 - multiplier);
  return provesTrap(a, cr, ci, period, radius) ? Trap::kProven : Trap::kNotYet;
}

// A disc that every iterate entering it never leaves (provesTrap), given
// as its centre and the squared distance from it below which an iterate is
// surely inside. An empty trap has a negative limit, which no distance is
// below.
struct KnownTrap {
  Point centre;
  double limitSquared;
};

// Below this radius a trap is not worth checking at every step.
constexpr double kMinKnownTrapRadius = 0x1p-20;
// The loop's distance test is off by a few roundings of a relative 2^-53
// (an underflow in a square is off by 2^-1074 at most, far below the
// limit, which is at least kMinKnownTrapRadius squared): testing against a
// slightly smaller radius keeps every iterate that passes inside the proven
// disc.
constexpr double kKnownTrapShrink = 1.0 - 0x1p-30;

// The trap around the attracting cycle of the main cardioid (period 1, the
// fixed point a = (1 - sqrt(1 - 4c)) / 2, multiplier 2a) or of the period-2
// bulb (a = (-1 + sqrt(-3 - 4c)) / 2, multiplier 4(c + 1)), as large as
// provesTrap accepts; empty elsewhere. The filters and the closed forms
// need no care for rounding: they only propose a disc, and provesTrap,
// which assumes nothing about it, decides.
KnownTrap knownCycleTrap(double cr, double ci) {
  const KnownTrap none{Point{0.0, 0.0}, -1.0};
  if (!(std::fabs(cr) <= kTrapMaxC && std::fabs(ci) <= kTrapMaxC))
    return none;
  const double qx = cr - 0.25;
  const double q = qx * qx + ci * ci;
  const bool cardioid = q * (q + qx) < 0.25 * (ci * ci);
  const bool bulb = (cr + 1.0) * (cr + 1.0) + ci * ci < 0.0625;
  if (!cardioid && !bulb)
    return none;

  // The principal square root s of p + iq: 1 - 4c or -3 - 4c.
  const double p = (cardioid ? 1.0 : -3.0) - 4.0 * cr;
  const double q4 = -4.0 * ci;
  const double modulus = std::sqrt(p * p + q4 * q4);
  const double sx = std::sqrt(std::fmax(modulus + p, 0.0) * 0.5);
  const double sy = std::copysign(std::sqrt(std::fmax(modulus - p, 0.0) * 0.5), q4);
  const Point a = cardioid ? Point{(1.0 - sx) * 0.5, -sy * 0.5} : Point{(sx - 1.0) * 0.5, sy * 0.5};
  const double multiplier =
      cardioid ? 2.0 * std::sqrt(a.x * a.x + a.y * a.y) : 4.0 * std::sqrt((cr + 1.0) * (cr + 1.0) + ci * ci);
  if (!(multiplier < kMaxMultiplier))
    return none;

  // The disc D(a, R) maps into about D(a, R(|multiplier| + R)): it holds
  // for R up to about 1 - |multiplier|. Start at half of that, and shrink
  // while the proof fails on the squared and rounding terms.
  const miInteger period = cardioid ? 1 : 2;
  for (double radius = (1.0 - multiplier) * 0.5; radius >= kMinKnownTrapRadius; radius *= 0.25) {
    if (provesTrap(a, cr, ci, period, radius)) {
      const double limit = radius * kKnownTrapShrink;
      return KnownTrap{a, limit * limit};
    }
  }
  return none;
}

// What the loop learnt from near returns: how close the next must come,
// the period they suggest (0: none yet), and the step of the next attempt.
struct ReturnWatch {
  double nearReturn;
  miInteger period;
  miInteger earliestAttempt;
  miInteger nextAttempt; // earliestAttempt once a period is known
};

// The tested iterate z_index has come back near the saved iterate z_savedAt
// (index > savedAt), at least in its real part. True when it is an exact
// return; when it is near, notes the period it suggests. Kept out of line,
// and given points as separate doubles, so that the loop keeps its state in
// registers.
[[gnu::noinline]] bool returnedExactly(ReturnWatch &watch, double x, double y, double savedX, double savedY,
                                       miInteger index, miInteger savedAt) {
  if (x == savedX && y == savedY)
    return true;
  const double distance = std::sqrt((x - savedX) * (x - savedX) + (y - savedY) * (y - savedY));
  if (distance < watch.nearReturn) {
    watch.nearReturn = std::fmax(distance * kNearReturnShrink, kMinNearReturn);
    watch.period = index - savedAt;
    watch.nextAttempt = watch.earliestAttempt;
  }
  return false;
}

// An attempt is due at z_index: true when the orbit is proven trapped;
// otherwise schedules the next attempt, or none until the next near return
// when the period turned out to have no attracting cycle.
[[gnu::noinline]] bool attemptTrap(ReturnWatch &watch, double x, double y, miInteger index, double cr, double ci) {
  const Trap trap = trapOrbit(Point{x, y}, cr, ci, watch.period);
  if (trap == Trap::kProven)
    return true;
  const miInteger wait = kAttemptSpacingPeriods * watch.period;
  watch.earliestAttempt = index + (wait > index / kAttemptSpacingDivisor ? wait : index / kAttemptSpacingDivisor);
  watch.nextAttempt = trap == Trap::kNotYet ? watch.earliestAttempt : kNoAttempt;
  return false;
}

// The iteration, with the checks of 1. and 2. and, when kKnownTrap, of 3.
// One template for both, so the points outside the cardioid and the bulb
// (most of them) do not pay for a distance test at every step.
template <bool kKnownTrap> miInteger iterate(double cr, double ci, miInteger iterations, KnownTrap trap) {
  // The loop's state is kept in scalars, so that it stays in registers.
  double x = 0.0; // z_(n-1) at step n
  double y = 0.0;
  // The saved iterate. Nothing is saved before z_7 (most points escape
  // sooner, and each save is a branch the processor does not foresee); until
  // then the NaN pattern is far from every finite one.
  double savedX = std::numeric_limits<double>::quiet_NaN();
  double savedY = savedX;
  uint64_t savedBitsX = bitsOf(savedX);
  miInteger savedAt = 0;
  miInteger nextSave = kFirstSave;
  uint64_t returnFilter = kReturnFilter;
  ReturnWatch watch{kNearReturn, 0, 0, kNoAttempt};
  // The next step that saves the iterate or makes an attempt.
  miInteger nextEvent = kFirstSave;

  for (miInteger n = 1; n < iterations; ++n) {
    if (y * y + x * x > kEscapeRadiusSquared)
      return n;
    if constexpr (kKnownTrap) {
      const double dx = x - trap.centre.x;
      const double dy = y - trap.centre.y;
      if (dx * dx + dy * dy < trap.limitSquared) [[unlikely]]
        return 0;
    }
    const miInteger index = n - 1;
    if ((bitsOf(x) ^ savedBitsX) < returnFilter) [[unlikely]] {
      if (returnedExactly(watch, x, y, savedX, savedY, index, savedAt))
        return 0;
      returnFilter = returnFilter > 4 ? returnFilter >> 2 : 1;
      nextEvent = nextSave < watch.nextAttempt ? nextSave : watch.nextAttempt;
    }
    if (index >= nextEvent) [[unlikely]] {
      if (index >= watch.nextAttempt && attemptTrap(watch, x, y, index, cr, ci))
        return 0;
      if (index == nextSave) { // z_7, z_15, z_31, ...
        savedX = x;
        savedY = y;
        savedBitsX = bitsOf(x);
        savedAt = index;
        nextSave = 2 * index + 1;
        returnFilter = kReturnFilter;
      }
      nextEvent = nextSave < watch.nextAttempt ? nextSave : watch.nextAttempt;
    }
    const double nextX = (x * x - y * y) + cr;
    const double nextY = (x * 2.0) * y + ci;
    x = nextX;
    y = nextY;
  }
  return 0;
}

} // namespace

miInteger qzEscapeStep(double cr, double ci, miInteger iterations) {
  // A NaN in c makes z_1 hold a NaN, and F keeps a NaN in every iterate
  // after it; the escape test is false for NaN, so the budget runs out.
  // A finite c never produces a NaN: an iterate that passed the test has
  // |x|, |y| <= 4, and one step from there stays finite.
  if (std::isnan(cr) || std::isnan(ci))
    return 0;

  const KnownTrap trap = knownCycleTrap(cr, ci);
  return trap.limitSquared > 0.0 ? iterate<true>(cr, ci, iterations, trap) : iterate<false>(cr, ci, iterations, trap);
}
