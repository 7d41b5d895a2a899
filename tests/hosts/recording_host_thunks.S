/*
 * The recording host's exported host functions: one thunk per line of
 * host_entries.def, jumping through qzRecordingHostTargets. A jump leaves
 * every argument and the stack as the caller made them.
 *
 * The thunk of QZTEST_VARIADIC_CALLER_SLOT starts on a 256-byte boundary, so
 * the low byte of its address is zero: a binding stub that let the address
 * it looked up leak into al would announce "no vector registers" to this
 * variadic callee, and its doubles would arrive wrong.
 */
#include "recording_host_slots.h"

#if defined(__x86_64__) && defined(__ELF__)
#define QZTEST_EXPORT(name) .globl name; .type name, @function
#define QZTEST_EXPORT_END(name) .size name, .-name
#define QZTEST_CFI(directive) directive
        .hidden qzRecordingHostTargets
#elif defined(__x86_64__) && (defined(_WIN64) || defined(__MINGW64__))
#define QZTEST_EXPORT(name) .globl name; .def name; .scl 2; .type 32; .endef; \
        .section .drectve; .ascii " -export:" #name; .text
#define QZTEST_EXPORT_END(name)
#define QZTEST_CFI(directive)
#else
#error "the recording host's thunks exist for x86-64 ELF and Win64 only"
#endif

        .text
        .macro qztest_thunk slot, name
        QZTEST_EXPORT(\name)
        .if \slot == QZTEST_VARIADIC_CALLER_SLOT
        .p2align 8
        .else
        .p2align 4
        .endif
\name:
        QZTEST_CFI(.cfi_startproc)
        jmpq *qzRecordingHostTargets+8*\slot(%rip)
        QZTEST_CFI(.cfi_endproc)
        QZTEST_EXPORT_END(\name)
        .endm

#define QZHB_FIXED(slot, name, classes) qztest_thunk slot, name
#define QZHB_VARIADIC QZHB_FIXED
#include "host_entries.def"

#if defined(__ELF__)
        .section .note.GNU-stack, "", @progbits
#endif
