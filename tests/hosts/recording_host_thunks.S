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
        .hidden qzRecordingHostTargets
        .text
        .macro qztest_thunk slot, name
        .globl \name
        .type \name, @function
        .if \slot == QZTEST_VARIADIC_CALLER_SLOT
        .p2align 8
        .else
        .p2align 4
        .endif
\name:
        .cfi_startproc
        jmpq *qzRecordingHostTargets+8*\slot(%rip)
        .cfi_endproc
        .size \name, .-\name
        .endm
#define QZHB_FIXED(slot, name, classes) qztest_thunk slot, name
#define QZHB_VARIADIC QZHB_FIXED
#include "host_entries.def"
        .section .note.GNU-stack, "", @progbits

#elif defined(__x86_64__) && (defined(_WIN64) || defined(__MINGW64__))
        .text
        .macro qztest_thunk slot, name
        .globl \name
        .def \name; .scl 2; .type 32; .endef
        .if \slot == QZTEST_VARIADIC_CALLER_SLOT
        .p2align 8
        .else
        .p2align 4
        .endif
\name:
        jmpq *qzRecordingHostTargets+8*\slot(%rip)
        .section .drectve
        .ascii " -export:\name"
        .text
        .endm
#define QZHB_FIXED(slot, name, classes) qztest_thunk slot, name
#define QZHB_VARIADIC QZHB_FIXED
#include "host_entries.def"

#else
#error "the recording host's thunks exist for x86-64 ELF and Win64 only"
#endif
