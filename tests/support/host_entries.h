// The host interface as the tests see it, expanded from hostbind's one list
// (host_entries.def): each entry's slot, name and parameter classes, the C++
// type of each class, and the conventions that the recording stand-in host
// (tests/hosts/recording_host.cpp) and the tests that call it share: which
// argument values a call passes, and what each host function returns.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

#include "recording_host_slots.h"

namespace qztest {

struct HostEntry {
  unsigned slot;
  std::string_view name;
  std::string_view classes; // "?" when the list does not give them
  bool variadic;
};

inline constexpr HostEntry kHostEntries[] = {
#define QZHB_FIXED(slot, name, classes) {slot, #name, classes, false},
#define QZHB_VARIADIC(slot, name, classes) {slot, #name, classes, true},
#include "host_entries.def"
#undef QZHB_FIXED
#undef QZHB_VARIADIC
};
inline constexpr unsigned kHostEntryCount = static_cast<unsigned>(std::size(kHostEntries));

constexpr bool classesKnown(std::string_view classes) { return classes != "?"; }

// A string literal usable as a template argument, e.g. a class string.
template <size_t N> struct FixedString {
  char text[N];
  constexpr FixedString(const char (&literal)[N]) {
    for (size_t i = 0; i < N; ++i)
      text[i] = literal[i];
  }
  constexpr std::string_view view() const { return {text, N - 1}; }
  constexpr size_t size() const { return N - 1; }
  constexpr char operator[](size_t i) const { return text[i]; }
};

// The parameters that a call passes for a class string: none for "?".
template <FixedString Classes> constexpr size_t kParameterCount = classesKnown(Classes.view()) ? Classes.size() : 0;

// The 8-byte lock record, passed by value.
struct LockRecord {
  unsigned char bytes[8];
  bool operator==(const LockRecord &) const = default;
};

template <char Class> struct ClassTypeOf;
template <> struct ClassTypeOf<'p'> { using type = uint64_t; };
template <> struct ClassTypeOf<'i'> { using type = int32_t; };
template <> struct ClassTypeOf<'h'> { using type = uint16_t; };
template <> struct ClassTypeOf<'c'> { using type = uint8_t; };
template <> struct ClassTypeOf<'f'> { using type = float; };
template <> struct ClassTypeOf<'d'> { using type = double; };
template <> struct ClassTypeOf<'l'> { using type = LockRecord; };
template <char Class> using ClassType = typename ClassTypeOf<Class>::type;

// The exact bits of a value, zero-extended to 64.
template <typename T> uint64_t bitsOf(const T &value) {
  static_assert(sizeof(T) <= 8);
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof value);
  return bits;
}

// The value that a test passes at `position` of entry `slot`: different for
// every slot and place, with both halves of every register-wide value
// significant, so that a value that lands in the wrong place, loses bits or
// is taken with the wrong width shows.
constexpr uint64_t argumentSeed(unsigned slot, size_t position) {
  uint64_t x = (uint64_t{slot} << 8 | position) + 0x9E3779B97F4A7C15u;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
  return x ^ (x >> 31);
}

template <char Class> ClassType<Class> argumentFor(unsigned slot, size_t position) {
  const uint64_t seed = argumentSeed(slot, position);
  if constexpr (Class == 'p')
    return seed;
  else if constexpr (Class == 'i')
    return static_cast<int32_t>(static_cast<uint32_t>(seed >> 17));
  else if constexpr (Class == 'h')
    return static_cast<uint16_t>(seed >> 40 | 0x8000); // the top bit set: no sign extension may creep in
  else if constexpr (Class == 'c')
    return static_cast<uint8_t>(seed >> 51 | 0x80);
  else if constexpr (Class == 'f') // a finite float with a full mantissa and either sign
    return std::bit_cast<float>(static_cast<uint32_t>(0x3F800000u | (seed & 0x807FFFFFu)));
  else if constexpr (Class == 'd')
    return std::bit_cast<double>(0x4000000000000000u | (seed & 0x800FFFFFFFFFFFFFu));
  else
    return std::bit_cast<LockRecord>(seed);
}

// What each host function of the recording host returns, by result kind:
// an int, a pointer-sized word, a float or a double, each unique to the slot.
enum class ResultKind { Int, Word, Float, Double };

template <ResultKind Kind> struct ResultTypeOf;
template <> struct ResultTypeOf<ResultKind::Int> { using type = int32_t; };
template <> struct ResultTypeOf<ResultKind::Word> { using type = uint64_t; };
template <> struct ResultTypeOf<ResultKind::Float> { using type = float; };
template <> struct ResultTypeOf<ResultKind::Double> { using type = double; };
template <ResultKind Kind> using ResultType = typename ResultTypeOf<Kind>::type;

// Entries with floating-point parameters return floating-point results;
// the rest alternate between an int and a pointer-sized word. The sixteen
// variadic entries return what their binding functions declare.
constexpr ResultKind resultKindOf(const HostEntry &entry) {
  if (entry.variadic)
    return entry.name.starts_with("mi_scene_") ? ResultKind::Word : ResultKind::Int;
  if (entry.slot == QZTEST_ECHO_SLOT || entry.slot == QZTEST_VARIADIC_CALLER_SLOT)
    return ResultKind::Word;
  if (entry.classes.find('d') != std::string_view::npos)
    return ResultKind::Double;
  if (entry.classes.find('f') != std::string_view::npos)
    return ResultKind::Float;
  return entry.slot % 2 ? ResultKind::Word : ResultKind::Int;
}

template <ResultKind Kind> ResultType<Kind> resultFor(unsigned slot) {
  if constexpr (Kind == ResultKind::Int)
    return static_cast<int32_t>(0x51000000 + slot);
  else if constexpr (Kind == ResultKind::Word)
    return 0xC0DE000000000000u | uint64_t{slot} << 20 | slot;
  else if constexpr (Kind == ResultKind::Float)
    return std::bit_cast<float>(0xC0400000u | slot << 8);
  else
    return std::bit_cast<double>(0x4120000000000000u | uint64_t{slot} << 24 | slot);
}

// What the recording host keeps of the last call of each of its functions.
struct CallRecord {
  unsigned calls;
  unsigned argumentCount;
  uint64_t bits[16]; // the arguments' bits; variadic functions: fixed ones, then words of the list
  const char *text;  // message functions: the text pointer they were given
  char textCopy[4096];
};

// The echo function (a test's own prototype for an entry whose classes the
// list leaves open): its result depends on every argument.
using EchoFunction = uint64_t (*)(uint64_t, double, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t, float);
inline uint64_t echoOf(uint64_t a, double b, uint64_t c, uint64_t d, uint64_t e, uint64_t f, uint64_t g, uint64_t h,
                       float i) {
  return a ^ std::rotl(bitsOf(b), 1) ^ std::rotl(c, 2) ^ std::rotl(d, 3) ^ std::rotl(e, 4) ^ std::rotl(f, 5) ^
         std::rotl(g, 6) ^ std::rotl(h, 7) ^ std::rotl(bitsOf(i), 8);
}

static_assert(!classesKnown(kHostEntries[QZTEST_ECHO_SLOT].classes));
static_assert(!classesKnown(kHostEntries[QZTEST_VARIADIC_CALLER_SLOT].classes));

} // namespace qztest
