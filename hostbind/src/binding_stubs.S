/*
 * Binding functions of the host functions with a fixed parameter list: one
 * stub per line of host_entries.def, in slot order.
 *
 * A stub never needs to know its function's prototype. Arguments and results
 * stay where the caller and the host function put them (registers and stack),
 * because the stub only tail-jumps:
 *
 *   fast path   movq slot(%rip), %r11 ; testq %r11, %r11 ; jz 1f ; jmpq *%r11
 *   first call  1: movl $slot, %r11d ; jmp qzhbStubSlowPath
 *
 * r11 carries no argument on either ABI, and rax is never touched on the fast
 * path: under System V it holds the vector-register count of a variadic call.
 *
 * The shared slow path saves every register that can carry an argument,
 * calls qzhbResolve(slot) (the lookup with its diagnostics; it stores the slot
 * atomically), restores them and jumps to the host function. When the host
 * lacks the name it returns to the caller with zero in the integer and the
 * floating-point result registers (rax, rdx, xmm0, xmm1), whatever the result
 * type; the slot stays empty, so the next call tries again.
 *
 * The variadic host functions have binding functions in C++ (they take a
 * fixed selection of values from their list, or format a message). Their
 * entry points are here all the same, in their slots' places, so that every
 * binding function lies in the code in slot order: each one jumps on to its
 * C++ body, qzhbVariadic_<name>, with every register as the caller left it.
 */

#if defined(__x86_64__) && defined(__ELF__)
/* x86-64 System V, ELF: hidden symbols with sizes, CFI for every function. */
#define QZHB_FUNCTION(name) .globl name; .hidden name; .type name, @function
#define QZHB_LOCAL_FUNCTION(name) .type name, @function
#define QZHB_END_FUNCTION(name) .size name, .-name
#define QZHB_CFI(directive) directive
#if defined(__CET__) && (__CET__ & 1)
#define QZHB_BRANCH_TARGET endbr64
#else
#define QZHB_BRANCH_TARGET
#endif
        .hidden qzhbSlotTable
        .hidden qzhbResolve

#elif defined(__x86_64__) && (defined(_WIN64) || defined(__MINGW64__))
/* x86-64 Windows, PE/COFF. The stubs and the dispatch at the end of the slow
 * path change no stack pointer and call nothing: as leaf code they need no
 * unwind information. Nothing here is exported: the plug-in's export list
 * names only its five entries. */
#define QZHB_FUNCTION(name) .globl name; .def name; .scl 2; .type 32; .endef
#define QZHB_LOCAL_FUNCTION(name) .def name; .scl 3; .type 32; .endef
#define QZHB_END_FUNCTION(name)
#define QZHB_CFI(directive)
#define QZHB_BRANCH_TARGET

#else
#error "hostbind's binding stubs exist for x86-64 System V (ELF) and x86-64 Windows (PE/COFF) only; another target needs its own section in binding_stubs.S"
#endif

        .text

/* Each stub (26 bytes) starts a 16-byte fetch block. */
        .macro qzhb_stub slot, name
        QZHB_FUNCTION(\name)
        .p2align 4
\name:
        QZHB_CFI(.cfi_startproc)
        QZHB_BRANCH_TARGET
        movq qzhbSlotTable+8*\slot(%rip), %r11
        testq %r11, %r11
        jz 1f
        jmpq *%r11
1:      movl $\slot, %r11d
        jmp qzhbStubSlowPath
        QZHB_CFI(.cfi_endproc)
        QZHB_END_FUNCTION(\name)
        .endm

/* The entry point of a variadic binding function. */
        .macro qzhb_variadic name
        QZHB_FUNCTION(\name)
        .p2align 4
\name:
        QZHB_CFI(.cfi_startproc)
        QZHB_BRANCH_TARGET
        jmp qzhbVariadic_\name
        QZHB_CFI(.cfi_endproc)
        QZHB_END_FUNCTION(\name)
        .endm

/* The end of the slow path, with the caller's registers and stack restored
 * and the looked-up address (or null) in r11. */
        .macro qzhb_dispatch
        testq %r11, %r11
        jz 1f
        jmpq *%r11
1:      xorl %eax, %eax
        xorl %edx, %edx
        xorps %xmm0, %xmm0
        xorps %xmm1, %xmm1
        ret
        .endm

        QZHB_LOCAL_FUNCTION(qzhbStubSlowPath)
        .p2align 4
qzhbStubSlowPath:
#if defined(__ELF__)
/*
 * System V. Entered by jump from a stub: the stack is as the caller left it
 * at the call (return address on top, stack arguments above it), r11 holds
 * the slot. Frame: xmm0-xmm7 at 0..127, then rdi rsi rdx rcx r8 r9 rax r10
 * at 128..191, 8 bytes of padding so that the call below finds the stack
 * 16-byte aligned. r10 is saved too: it carries the static chain, should a
 * caller use one.
 */
        .cfi_startproc
        subq $200, %rsp
        .cfi_adjust_cfa_offset 200
        movaps %xmm0, 0(%rsp)
        movaps %xmm1, 16(%rsp)
        movaps %xmm2, 32(%rsp)
        movaps %xmm3, 48(%rsp)
        movaps %xmm4, 64(%rsp)
        movaps %xmm5, 80(%rsp)
        movaps %xmm6, 96(%rsp)
        movaps %xmm7, 112(%rsp)
        movq %rdi, 128(%rsp)
        movq %rsi, 136(%rsp)
        movq %rdx, 144(%rsp)
        movq %rcx, 152(%rsp)
        movq %r8, 160(%rsp)
        movq %r9, 168(%rsp)
        movq %rax, 176(%rsp)
        movq %r10, 184(%rsp)
        movl %r11d, %edi
        call qzhbResolve
        movq %rax, %r11
        movaps 0(%rsp), %xmm0
        movaps 16(%rsp), %xmm1
        movaps 32(%rsp), %xmm2
        movaps 48(%rsp), %xmm3
        movaps 64(%rsp), %xmm4
        movaps 80(%rsp), %xmm5
        movaps 96(%rsp), %xmm6
        movaps 112(%rsp), %xmm7
        movq 128(%rsp), %rdi
        movq 136(%rsp), %rsi
        movq 144(%rsp), %rdx
        movq 152(%rsp), %rcx
        movq 160(%rsp), %r8
        movq 168(%rsp), %r9
        movq 176(%rsp), %rax
        movq 184(%rsp), %r10
        addq $200, %rsp
        .cfi_adjust_cfa_offset -200
        qzhb_dispatch
        .cfi_endproc
        .size qzhbStubSlowPath, .-qzhbStubSlowPath
#else
/*
 * Win64. Entered by jump from a stub, r11 holding the slot. rcx, rdx, r8 and
 * r9 go to the caller's home area (8..39 above the entry stack pointer),
 * which belongs to the callee; xmm0-xmm3 (a variadic caller duplicates
 * floating-point values in both) are saved in our own frame: 32 bytes of
 * shadow space for qzhbResolve, xmm0-xmm3 at 32..95, 8 bytes of padding for
 * the 16-byte alignment at the call.
 */
        .seh_proc qzhbStubSlowPath
        movq %rcx, 8(%rsp)
        movq %rdx, 16(%rsp)
        movq %r8, 24(%rsp)
        movq %r9, 32(%rsp)
        subq $104, %rsp
        .seh_stackalloc 104
        .seh_endprologue
        movaps %xmm0, 32(%rsp)
        movaps %xmm1, 48(%rsp)
        movaps %xmm2, 64(%rsp)
        movaps %xmm3, 80(%rsp)
        movl %r11d, %ecx
        call qzhbResolve
        movq %rax, %r11
        movaps 32(%rsp), %xmm0
        movaps 48(%rsp), %xmm1
        movaps 64(%rsp), %xmm2
        movaps 80(%rsp), %xmm3
        movq 112(%rsp), %rcx
        movq 120(%rsp), %rdx
        movq 128(%rsp), %r8
        movq 136(%rsp), %r9
        addq $104, %rsp
        /* The unwind range ends here, with the frame gone: the dispatch is
         * leaf code again, whatever an unwinder makes of epilogues. */
        .seh_endproc
        qzhb_dispatch
#endif

#define QZHB_FIXED(slot, name, classes) qzhb_stub slot, name
#define QZHB_VARIADIC(slot, name, classes) qzhb_variadic name
#include "host_entries.def"

#if defined(__ELF__)
        .section .note.GNU-stack, "", @progbits
#if defined(__CET__)
/* The stubs honour indirect-branch tracking and shadow stacks: mark the
 * object so that the linker keeps the plug-in's CET properties. */
        .section .note.gnu.property, "a"
        .p2align 3
        .long 4          /* name size */
        .long 16         /* descriptor size */
        .long 5          /* NT_GNU_PROPERTY_TYPE_0 */
        .asciz "GNU"
        .long 0xc0000002 /* GNU_PROPERTY_X86_FEATURE_1_AND */
        .long 4
        .long __CET__    /* bit 0: IBT, bit 1: SHSTK */
        .p2align 3
#endif
#endif
