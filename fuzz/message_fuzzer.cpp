// Fuzz target: the twelve message binding functions, fed arbitrary text
// through the fixed formats that shader code writes ("%s", "%.*s" and a few
// more, some wide enough to overflow the 1024-byte message buffer).
//
// They are reached through a probe plug-in linked like every plug-in, which
// binds them to this executable's own exports, as it would to a renderer's.
// Whatever the text, the host must be called once, by the right function,
// with the right message number, the binding's result must be the host's,
// and the text must be exactly the formatted message cut to fit 1023
// characters with every '%' doubled (a doubled '%' kept or dropped whole),
// so that the host, which reads it as a format of its own, finds no
// conversion in it. Reading an unterminated buffer or writing past it is
// the sanitizers' to catch.
//
// Input layout (little-endian; a short input reads as zeros):
//   u8   message function (index into kFunctions)
//   u8   format (index into kFormats)
//   i32  message number, also the format's integer argument
//   i32  what the host function returns
//   u16  where the rest splits into the first and the second text
//   the rest: the texts
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "dynamic_library.h"
#include "fuzz_input.h"

namespace {

using qzfuzz::fail;
using qzfuzz::FuzzInput;

struct MessageFunction {
  const char *name;
  unsigned slot;
  bool numbered;
};

// The message functions and their slots in the host interface.
constexpr MessageFunction kFunctions[] = {
    {"mi_fatal", 328, false},  {"mi_nfatal", 329, true},     {"mi_error", 330, false},
    {"mi_nerror", 331, true},  {"mi_warning", 332, false},   {"mi_nwarning", 333, true},
    {"mi_info", 334, false},   {"mi_progress", 335, false},  {"mi_debug", 336, false},
    {"mi_vdebug", 337, false}, {"mi_api_error", 687, false}, {"mi_api_warning", 688, false},
};
constexpr size_t kFunctionCount = sizeof kFunctions / sizeof kFunctions[0];

constexpr size_t kMaxText = 1023;

// What the host saw of one call.
struct HostCall {
  int calls = 0;
  int function = -1;
  int32_t number = 0;
  std::string text;
  int32_t result = 0;
};
HostCall seen;

int32_t receive(int function, int32_t number, const char *text) {
  ++seen.calls;
  seen.function = function;
  seen.number = number;
  seen.text = text; // reads up to the terminator: past the buffer, ASan stops it
  return seen.result;
}

using Message = int32_t (*)(const char *format, ...);
using NumberedMessage = int32_t (*)(int32_t number, const char *format, ...);
void *bindings[kFunctionCount];

// The text the host must get for the message `full`.
std::string expectedText(const std::string &full) {
  std::string text;
  for (size_t i = 0; i < full.size() && i < kMaxText; ++i) {
    const size_t width = full[i] == '%' ? 2 : 1;
    if (text.size() + width > kMaxText)
      break;
    text.append(width, full[i]);
  }
  return text;
}

template <typename... Arguments> std::string formatted(const char *format, Arguments... arguments) {
  const int length = std::snprintf(nullptr, 0, format, arguments...);
  if (length < 0)
    fail("reference formatting failed");
  std::string text(static_cast<size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, format, arguments...);
  return text;
}

// Calls message function `f` with `format` and `arguments`, and checks what
// the host got against the same message formatted here.
template <typename... Arguments>
void check(size_t f, int32_t number, int32_t hostResult, const char *format, Arguments... arguments) {
  seen = HostCall{};
  seen.result = hostResult;
  const int32_t returned = kFunctions[f].numbered
                               ? reinterpret_cast<NumberedMessage>(bindings[f])(number, format, arguments...)
                               : reinterpret_cast<Message>(bindings[f])(format, arguments...);
  if (seen.calls != 1 || seen.function != static_cast<int>(f))
    fail("the message did not reach its own host function exactly once");
  if (kFunctions[f].numbered && seen.number != number)
    fail("the message number changed on the way");
  if (returned != hostResult)
    fail("the binding did not return the host's result");
  if (seen.text != expectedText(formatted(format, arguments...)))
    fail("the host got another text than the formatted message");
}

} // namespace

// The host's message functions, exported from this executable.
#define QZ_FUZZ_HOST_MESSAGE(index, name)                                                                              \
  extern "C" __attribute__((visibility("default"))) int32_t name(const char *text) { return receive(index, 0, text); }
#define QZ_FUZZ_HOST_NUMBERED_MESSAGE(index, name)                                                                     \
  extern "C" __attribute__((visibility("default"))) int32_t name(int32_t number, const char *text) {                   \
    return receive(index, number, text);                                                                               \
  }
QZ_FUZZ_HOST_MESSAGE(0, mi_fatal)
QZ_FUZZ_HOST_NUMBERED_MESSAGE(1, mi_nfatal)
QZ_FUZZ_HOST_MESSAGE(2, mi_error)
QZ_FUZZ_HOST_NUMBERED_MESSAGE(3, mi_nerror)
QZ_FUZZ_HOST_MESSAGE(4, mi_warning)
QZ_FUZZ_HOST_NUMBERED_MESSAGE(5, mi_nwarning)
QZ_FUZZ_HOST_MESSAGE(6, mi_info)
QZ_FUZZ_HOST_MESSAGE(7, mi_progress)
QZ_FUZZ_HOST_MESSAGE(8, mi_debug)
QZ_FUZZ_HOST_MESSAGE(9, mi_vdebug)
QZ_FUZZ_HOST_MESSAGE(10, mi_api_error)
QZ_FUZZ_HOST_MESSAGE(11, mi_api_warning)

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  static qztest::DynamicLibrary probe(QZ_FUZZ_PROBE);
  if (!probe.loaded())
    fail(probe.error().c_str());
  const auto bindingFunction = probe.symbol<void *(*)(unsigned)>("qzProbeBindingFunction");
  const auto setModuleHandle = probe.symbol<void (*)(void *)>("miSetModuleHandle");
  if (!bindingFunction || !setModuleHandle)
    fail("the probe lacks its exports");
  setModuleHandle(dlopen(nullptr, RTLD_NOW));
  for (size_t f = 0; f < kFunctionCount; ++f)
    bindings[f] = bindingFunction(kFunctions[f].slot);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  const size_t f = input.take<uint8_t>() % kFunctionCount;
  const uint8_t format = input.take<uint8_t>();
  const auto number = input.take<int32_t>();
  const auto hostResult = input.take<int32_t>();
  const size_t split = input.take<uint16_t>();
  const auto *rest = reinterpret_cast<const char *>(input.rest());
  const size_t restSize = input.restSize();
  const std::string first(rest, split < restSize ? split : restSize);
  const std::string second(rest + first.size(), restSize - first.size());
  const char *a = first.c_str();
  const char *b = second.c_str();

  switch (format % 8) {
  case 0:
    check(f, number, hostResult, "%s", a);
    break;
  case 1:
    check(f, number, hostResult, "%.*s", static_cast<int>(number), a);
    break;
  case 2:
    check(f, number, hostResult, "%s%s", a, b);
    break;
  case 3:
    check(f, number, hostResult, "%%%s%%", a);
    break;
  case 4:
    check(f, number, hostResult, "%d: %s", static_cast<int>(number), a);
    break;
  case 5:
    check(f, number, hostResult, "%1000s|%.30s", a, b);
    break;
  case 6:
    check(f, number, hostResult, "[%5.3s] %-8s|", a, b);
    break;
  default:
    check(f, number, hostResult, "%*s%s", static_cast<int>(number % 2048), a, b);
    break;
  }
  return 0;
}
