/* Calling the renderer's functions from shader code.
 *
 * Every plug-in carries a binding function for each of the host's 690
 * functions (the names in qzfractal/host_entries.def, in slot order). A
 * binding function has the host function's own name and is internal to the
 * plug-in (hidden, never exported). Its first call after miSetModuleHandle
 * looks the name up in the host module; later calls cost one load, one test
 * and a jump. If the host lacks the name, the call writes a diagnostic to
 * standard error and returns zero (0, a null pointer, 0.0f or 0.0) without
 * calling anything.
 *
 * Functions with a fixed parameter list: declare the prototype the host
 * publishes for the name, with C linkage and QZ_INTERNAL, and call it, e.g.
 *
 *     QZ_INTERNAL miScalar mi_noise_1d(miScalar x);
 *
 * Their binding functions pass any argument list through unchanged (any
 * number, with floats, doubles, 8- and 16-bit values and small records by
 * value among them) and return the host's result unchanged, whatever its
 * type. A declaration that differs from the host's prototype is the caller's
 * fault exactly as it would be when linking the host directly.
 *
 * The sixteen functions with a variable argument list are declared below;
 * their binding functions reshape the call before passing it on. */
#ifndef QZFRACTAL_HOST_FUNCTIONS_H
#define QZFRACTAL_HOST_FUNCTIONS_H

#include "qzfractal/host_api.h"
#include "qzfractal/host_types.h"

#if defined(__MINGW32__)
#define QZ_PRINTF_FORMAT(formatIndex, firstIndex) __attribute__((__format__(__gnu_printf__, formatIndex, firstIndex)))
#elif defined(__GNUC__)
#define QZ_PRINTF_FORMAT(formatIndex, firstIndex) __attribute__((__format__(__printf__, formatIndex, firstIndex)))
#else
#define QZ_PRINTF_FORMAT(formatIndex, firstIndex)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Variadic forwarding. The binding function takes a fixed selection of values
 * from the variable list and hands them to the host as ordinary arguments
 * after the fixed ones (a "word" is a 64-bit value, a pointer or a 64-bit
 * integer; an "int" is a 32-bit integer):
 *
 *   mi_scene_create, mi_scene_recreate, by element type `type`:
 *     40         one word, then eight ints
 *     51         three ints, then one word
 *     otherwise  eight ints
 *   mi_scene_growedit: always eight ints
 *   mi_query, by query code `query`:
 *     15, 152, 163, 171, 172   one int
 *     127                      one word
 *     165                      one word, then one int
 *     otherwise                nothing
 *
 * Pass every value the row names. The binding function always reads the
 * row's full count: a value the caller left out is read from where the
 * calling convention would have put it (a register or the caller's own
 * stack frame) and reaches the host as meaningless bits.
 *
 * mi_query answers with the host's truth value; the three scene functions
 * return a pointer-sized result (the element the host created or opened). */
QZ_INTERNAL void *mi_scene_create(void *element, miInteger type, ...);
QZ_INTERNAL void *mi_scene_recreate(miInteger tag, miInteger type, ...);
QZ_INTERNAL void *mi_scene_growedit(miInteger tag, ...);
QZ_INTERNAL miBoolean mi_query(miInteger query, miState *state, miInteger tag, void *result, ...);

/* Messages. The binding function formats the message itself, printf-style,
 * into a buffer of 1024 bytes on its own stack and hands the host only the
 * finished text (the n-variants pass the message number first). The host
 * reads that text as a format of its own, so every '%' of the text is doubled
 * on the way: it prints as one '%' and never reads an argument. A text that
 * does not fit (1023 characters, a doubled '%' counting two) is cut at the
 * last whole character that fits; a text that cannot be formatted arrives
 * empty. The result is the host function's, unchanged (meaningless where the
 * host's function returns nothing). */
QZ_INTERNAL miBoolean mi_fatal(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);
QZ_INTERNAL miBoolean mi_nfatal(miInteger number, const char *format, ...) QZ_PRINTF_FORMAT(2, 3);
QZ_INTERNAL miBoolean mi_error(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);
QZ_INTERNAL miBoolean mi_nerror(miInteger number, const char *format, ...) QZ_PRINTF_FORMAT(2, 3);
QZ_INTERNAL miBoolean mi_warning(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);
QZ_INTERNAL miBoolean mi_nwarning(miInteger number, const char *format, ...) QZ_PRINTF_FORMAT(2, 3);
QZ_INTERNAL miBoolean mi_info(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);
QZ_INTERNAL miBoolean mi_progress(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);
QZ_INTERNAL miBoolean mi_debug(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);
QZ_INTERNAL miBoolean mi_vdebug(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);
QZ_INTERNAL miBoolean mi_api_error(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);
QZ_INTERNAL miBoolean mi_api_warning(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);

#ifdef __cplusplus
}
#endif

#endif
