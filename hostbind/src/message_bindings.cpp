// Binding functions of the twelve printf-style message functions. The message
// is formatted here, into a buffer of the call, and the host gets only the
// finished text (after the message number, for the n-variants).
//
// The host reads that text as a printf format of its own. A '%' left in it
// (from "%%" in the format, or from an argument such as a file name) would be
// read as a conversion and make the host read arguments that were never
// passed, so every '%' is doubled before the text is handed over.
#include <cstdarg>
#include <cstddef>
#include <cstdio>

#include "binding_table.h"
#include "qzfractal/host_functions.h"

namespace {

constexpr size_t kMessageBufferSize = 1024;
constexpr size_t kMaxTextLength = kMessageBufferSize - 1;

using MessageFunction = miBoolean (*)(const char *, ...);
using NumberedMessageFunction = miBoolean (*)(miInteger, const char *, ...);

// Doubles every '%' of the first `length` characters of `text`, in place,
// and terminates the result within the buffer. What no longer fits is cut
// off at the end; a doubled '%' is kept whole or dropped whole.
void doublePercentSigns(char *text, size_t length) {
  size_t kept = 0;
  size_t grownLength = 0;
  for (; kept < length; ++kept) {
    const size_t width = text[kept] == '%' ? 2 : 1;
    if (grownLength + width > kMaxTextLength)
      break;
    grownLength += width;
  }
  text[grownLength] = '\0';
  // From the back, so that no character is overwritten before it is moved;
  // once `from` meets `to`, no '%' is left in front of it.
  size_t from = kept;
  size_t to = grownLength;
  while (from != to) {
    const char character = text[--from];
    text[--to] = character;
    if (character == '%')
      text[--to] = '%';
  }
}

// The buffer is not cleared beforehand: formatting writes what is read.
void formatMessage(char (&text)[kMessageBufferSize], const char *format, va_list arguments) {
  const int written = std::vsnprintf(text, sizeof text, format, arguments);
  if (written < 0) {
    text[0] = '\0'; // the content is unsettled after a failure: pass no text
    return;
  }
  doublePercentSigns(text,
                     static_cast<size_t>(written) < kMaxTextLength ? static_cast<size_t>(written) : kMaxTextLength);
}

// The lookup (with its diagnostics) comes before the formatting, and the
// message is formatted even when the host lacks the function.
miBoolean sendMessage(unsigned slot, const char *format, va_list arguments) {
  void *host = qzhbBoundAddress(slot);
  char text[kMessageBufferSize];
  formatMessage(text, format, arguments);
  if (host == nullptr)
    return 0;
  return reinterpret_cast<MessageFunction>(host)(text);
}

miBoolean sendNumberedMessage(unsigned slot, miInteger number, const char *format, va_list arguments) {
  void *host = qzhbBoundAddress(slot);
  char text[kMessageBufferSize];
  formatMessage(text, format, arguments);
  if (host == nullptr)
    return 0;
  return reinterpret_cast<NumberedMessageFunction>(host)(number, text);
}

} // namespace

#define QZHB_MESSAGE_BINDING(name)                                                                                     \
  miBoolean qzhbVariadic_##name(const char *format, ...) {                                                             \
    va_list arguments;                                                                                                 \
    va_start(arguments, format);                                                                                       \
    const miBoolean result = sendMessage(qzhbSlot_##name, format, arguments);                                          \
    va_end(arguments);                                                                                                 \
    return result;                                                                                                     \
  }

#define QZHB_NUMBERED_MESSAGE_BINDING(name)                                                                            \
  miBoolean qzhbVariadic_##name(miInteger number, const char *format, ...) {                                           \
    va_list arguments;                                                                                                 \
    va_start(arguments, format);                                                                                       \
    const miBoolean result = sendNumberedMessage(qzhbSlot_##name, number, format, arguments);                          \
    va_end(arguments);                                                                                                 \
    return result;                                                                                                     \
  }

// The bodies of the message binding functions; their entry points, under
// the host functions' own names, are in binding_stubs.S.
extern "C" {
QZHB_MESSAGE_BINDING(mi_fatal)
QZHB_NUMBERED_MESSAGE_BINDING(mi_nfatal)
QZHB_MESSAGE_BINDING(mi_error)
QZHB_NUMBERED_MESSAGE_BINDING(mi_nerror)
QZHB_MESSAGE_BINDING(mi_warning)
QZHB_NUMBERED_MESSAGE_BINDING(mi_nwarning)
QZHB_MESSAGE_BINDING(mi_info)
QZHB_MESSAGE_BINDING(mi_progress)
QZHB_MESSAGE_BINDING(mi_debug)
QZHB_MESSAGE_BINDING(mi_vdebug)
QZHB_MESSAGE_BINDING(mi_api_error)
QZHB_MESSAGE_BINDING(mi_api_warning)
}
