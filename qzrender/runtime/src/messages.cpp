// The host's message functions: printf-style, one line each on standard
// error with a prefix naming the severity. A plug-in's binding layer looks
// them up by name in this library.
#include "qzhost/messages.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace qzhost {
namespace {

std::atomic<MessageLevel> messageLevel{MessageLevel::Info};
std::atomic<bool> fatalSeen{false};

// Formats into a buffer of the call (as the plug-ins' own layer does, 1024
// bytes, a longer text cut) and writes prefix, text and newline with one
// call, so lines from several threads do not interleave.
void emit(MessageLevel level, const char *prefix, int number, const char *format, va_list arguments) {
  if (level > messageLevel.load(std::memory_order_relaxed))
    return;
  char text[1024];
  if (format == nullptr || std::vsnprintf(text, sizeof text, format, arguments) < 0)
    text[0] = '\0';
  const size_t length = std::strlen(text);
  const char *newline = length > 0 && text[length - 1] == '\n' ? "" : "\n";
  if (number >= 0)
    std::fprintf(stderr, "%s %d: %s%s", prefix, number, text, newline);
  else
    std::fprintf(stderr, "%s: %s%s", prefix, text, newline);
}

} // namespace

void setMessageLevel(MessageLevel level) { messageLevel.store(level); }

bool fatalReported() { return fatalSeen.load(); }

} // namespace qzhost

using qzhost::MessageLevel;

// Each returns the host's truth value 1, which the plug-ins' binding
// functions pass back to their callers.
#define QZHOST_MESSAGE(name, level, prefix, onCall)                                                                    \
  extern "C" QZHOST_API int32_t name(const char *format, ...) {                                                        \
    onCall;                                                                                                            \
    va_list arguments;                                                                                                 \
    va_start(arguments, format);                                                                                       \
    qzhost::emit(level, prefix, -1, format, arguments);                                                                \
    va_end(arguments);                                                                                                 \
    return 1;                                                                                                          \
  }
#define QZHOST_NUMBERED_MESSAGE(name, level, prefix, onCall)                                                           \
  extern "C" QZHOST_API int32_t name(int32_t number, const char *format, ...) {                                        \
    onCall;                                                                                                            \
    va_list arguments;                                                                                                 \
    va_start(arguments, format);                                                                                       \
    qzhost::emit(level, prefix, number, format, arguments);                                                            \
    va_end(arguments);                                                                                                 \
    return 1;                                                                                                          \
  }

#define QZHOST_FATAL qzhost::fatalSeen.store(true)

// A fatal message does not end the process: the host finishes what it is
// doing and then refuses to deliver the render.
QZHOST_MESSAGE(mi_fatal, MessageLevel::Errors, "fatal", QZHOST_FATAL)
QZHOST_NUMBERED_MESSAGE(mi_nfatal, MessageLevel::Errors, "fatal", QZHOST_FATAL)
QZHOST_MESSAGE(mi_error, MessageLevel::Errors, "error", )
QZHOST_NUMBERED_MESSAGE(mi_nerror, MessageLevel::Errors, "error", )
QZHOST_MESSAGE(mi_warning, MessageLevel::Warnings, "warning", )
QZHOST_NUMBERED_MESSAGE(mi_nwarning, MessageLevel::Warnings, "warning", )
QZHOST_MESSAGE(mi_info, MessageLevel::Info, "info", )
QZHOST_MESSAGE(mi_progress, MessageLevel::Info, "progress", )
QZHOST_MESSAGE(mi_debug, MessageLevel::Debug, "debug", )
QZHOST_MESSAGE(mi_vdebug, MessageLevel::Debug, "debug", )
QZHOST_MESSAGE(mi_api_error, MessageLevel::Errors, "api error", )
QZHOST_MESSAGE(mi_api_warning, MessageLevel::Warnings, "api warning", )
