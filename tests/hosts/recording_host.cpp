// A stand-in for the renderer's host module that exports all 690 host
// function names and records what each receives.
//
// Each exported name is a one-instruction thunk (recording_host_thunks.S)
// that jumps through qzRecordingHostTargets to a C++ function built from the
// entry's class string, with exactly the parameter types the list gives. The
// compiler thus decodes the arguments by the platform's own calling
// convention, and the record holds the exact bits of each. An entry without
// classes takes no parameters; each returns a value unique to its slot, of
// the result kind that host_entries.h assigns.
#include <cstdarg>
#include <cstring>
#include <utility>

#include "host_entries.h"

#if defined(_WIN32)
#define QZ_RECORDING_HOST_EXPORT extern "C" __declspec(dllexport)
#else
#define QZ_RECORDING_HOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using namespace qztest;

CallRecord records[kHostEntryCount];

template <unsigned Slot> constexpr ResultKind kResultKind = resultKindOf(kHostEntries[Slot]);

template <unsigned Slot, FixedString Classes, typename = std::make_index_sequence<kParameterCount<Classes>>>
struct FixedRecorder;

template <unsigned Slot, FixedString Classes, size_t... I>
struct FixedRecorder<Slot, Classes, std::index_sequence<I...>> {
  static ResultType<kResultKind<Slot>> call(ClassType<Classes[I]>... arguments) {
    CallRecord &record = records[Slot];
    record.argumentCount = sizeof...(I);
    size_t position = 0;
    ((record.bits[position++] = bitsOf(arguments)), ...);
    ++record.calls;
    return resultFor<kResultKind<Slot>>(Slot);
  }
};

// Called from many threads at once: touches no record.
uint64_t echo(uint64_t a, double b, uint64_t c, uint64_t d, uint64_t e, uint64_t f, uint64_t g, uint64_t h, float i) {
  return echoOf(a, b, c, d, e, f, g, h, i);
}

// A variadic callee reads its floating-point values only when the caller's
// vector-register count (al, under System V) says there are some.
uint64_t variadicCaller(int count, ...) {
  CallRecord &record = records[QZTEST_VARIADIC_CALLER_SLOT];
  va_list list;
  va_start(list, count);
  for (int k = 0; k < count && k < 16; ++k)
    record.bits[k] = bitsOf(va_arg(list, double));
  va_end(list);
  record.argumentCount = static_cast<unsigned>(count);
  ++record.calls;
  return resultFor<ResultKind::Word>(QZTEST_VARIADIC_CALLER_SLOT);
}

template <unsigned Slot> void noteText(const char *text) {
  CallRecord &record = records[Slot];
  record.text = text;
  std::strncpy(record.textCopy, text, sizeof record.textCopy - 1);
  record.textCopy[sizeof record.textCopy - 1] = '\0';
}

template <unsigned Slot> int32_t message(const char *text, ...) {
  noteText<Slot>(text);
  records[Slot].argumentCount = 1;
  ++records[Slot].calls;
  return resultFor<ResultKind::Int>(Slot);
}

template <unsigned Slot> int32_t numberedMessage(int32_t number, const char *text, ...) {
  noteText<Slot>(text);
  records[Slot].bits[0] = bitsOf(number);
  records[Slot].argumentCount = 2;
  ++records[Slot].calls;
  return resultFor<ResultKind::Int>(Slot);
}

// Forwarded lists: the fixed arguments, then as many 64-bit words of the
// list as the longest row passes (an int taken this way is its low half).
template <unsigned Slot> void noteWords(size_t first, size_t count, va_list &list) {
  for (size_t k = 0; k < count; ++k)
    records[Slot].bits[first + k] = va_arg(list, uint64_t);
  records[Slot].argumentCount = static_cast<unsigned>(first + count);
  ++records[Slot].calls;
}

// mi_scene_create (a 64-bit first argument) and mi_scene_recreate (32-bit).
template <unsigned Slot, typename First> uint64_t sceneElement(First first, int32_t type, ...) {
  records[Slot].bits[0] = bitsOf(first);
  records[Slot].bits[1] = bitsOf(type);
  va_list list;
  va_start(list, type);
  noteWords<Slot>(2, 9, list);
  va_end(list);
  return resultFor<ResultKind::Word>(Slot);
}

template <unsigned Slot> uint64_t sceneGrowedit(int32_t tag, ...) {
  records[Slot].bits[0] = bitsOf(tag);
  va_list list;
  va_start(list, tag);
  noteWords<Slot>(1, 8, list);
  va_end(list);
  return resultFor<ResultKind::Word>(Slot);
}

template <unsigned Slot> int32_t query(int32_t code, uint64_t state, int32_t tag, uint64_t result, ...) {
  records[Slot].bits[0] = bitsOf(code);
  records[Slot].bits[1] = state;
  records[Slot].bits[2] = bitsOf(tag);
  records[Slot].bits[3] = result;
  va_list list;
  va_start(list, result);
  noteWords<Slot>(4, 2, list);
  va_end(list);
  return resultFor<ResultKind::Int>(Slot);
}

using Target = void (*)();

template <unsigned Slot, FixedString Classes> Target fixedTarget() {
  if constexpr (Slot == QZTEST_ECHO_SLOT)
    return reinterpret_cast<Target>(&echo);
  else if constexpr (Slot == QZTEST_VARIADIC_CALLER_SLOT)
    return reinterpret_cast<Target>(&variadicCaller);
  else
    return reinterpret_cast<Target>(&FixedRecorder<Slot, Classes>::call);
}

// The variadic entries' host functions, told apart by their fixed classes.
template <unsigned Slot, FixedString Classes> Target variadicTarget() {
  constexpr std::string_view classes = Classes.view();
  if constexpr (classes == "p")
    return reinterpret_cast<Target>(&message<Slot>);
  else if constexpr (classes == "ip")
    return reinterpret_cast<Target>(&numberedMessage<Slot>);
  else if constexpr (classes == "pi")
    return reinterpret_cast<Target>(&sceneElement<Slot, uint64_t>);
  else if constexpr (classes == "ii")
    return reinterpret_cast<Target>(&sceneElement<Slot, int32_t>);
  else if constexpr (classes == "i")
    return reinterpret_cast<Target>(&sceneGrowedit<Slot>);
  else {
    static_assert(classes == "ipip", "a variadic entry the recording host does not know");
    return reinterpret_cast<Target>(&query<Slot>);
  }
}

} // namespace

// Read by the thunks, one per slot.
extern "C" {
#if !defined(_WIN32)
__attribute__((visibility("hidden")))
#endif
extern const Target qzRecordingHostTargets[kHostEntryCount];
const Target qzRecordingHostTargets[kHostEntryCount] = {
#define QZHB_FIXED(slot, name, classes) fixedTarget<slot, classes>(),
#define QZHB_VARIADIC(slot, name, classes) variadicTarget<slot, classes>(),
#include "host_entries.def"
#undef QZHB_FIXED
#undef QZHB_VARIADIC
};
}

QZ_RECORDING_HOST_EXPORT CallRecord *qzRecordingHostRecord(unsigned slot) { return &records[slot]; }

QZ_RECORDING_HOST_EXPORT void qzRecordingHostReset() { std::memset(records, 0, sizeof records); }
