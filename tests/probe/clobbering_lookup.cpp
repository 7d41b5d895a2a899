// The probe's loader seam: every lookup the binding layer makes is logged,
// and before the answer goes back every volatile register is overwritten.
// A binding stub whose slow path failed to save and restore an argument
// register would then hand the host this garbage on the first call, while
// the second call (fast path, no lookup) delivers the right value.
//
// Linked with --wrap=qzhbPlatformLookup: the layer's own lookup still does
// the work, this only surrounds it.
#include <atomic>

#include "binding_table.h"
#include "platform.h"
#include "probe_exports.h"

extern "C" void *__real_qzhbPlatformLookup(void *handle, const char *name, int *errorCode);

namespace {

struct Lookup {
  void *handle;
  const char *name;
};
constexpr unsigned kLogSize = 1 << 14;
Lookup lookups[kLogSize];
std::atomic<unsigned> lookupCount{0};

// A quiet-NaN pattern, unlike any argument the tests pass.
[[gnu::noinline]] void clobberVolatileRegisters() {
  asm volatile("movabsq $0x7FF8DEAD7FF8DEAD, %%rax\n\t"
               "movq %%rax, %%rcx\n\t"
               "movq %%rax, %%rdx\n\t"
               "movq %%rax, %%rsi\n\t"
               "movq %%rax, %%rdi\n\t"
               "movq %%rax, %%r8\n\t"
               "movq %%rax, %%r9\n\t"
               "movq %%rax, %%r10\n\t"
               "movq %%rax, %%r11\n\t"
               "movq %%rax, %%xmm0\n\t"
               "punpcklqdq %%xmm0, %%xmm0\n\t"
               "movdqa %%xmm0, %%xmm1\n\t"
               "movdqa %%xmm0, %%xmm2\n\t"
               "movdqa %%xmm0, %%xmm3\n\t"
               "movdqa %%xmm0, %%xmm4\n\t"
               "movdqa %%xmm0, %%xmm5\n\t"
               "movdqa %%xmm0, %%xmm6\n\t"
               "movdqa %%xmm0, %%xmm7\n\t"
               "movdqa %%xmm0, %%xmm8\n\t"
               "movdqa %%xmm0, %%xmm9\n\t"
               "movdqa %%xmm0, %%xmm10\n\t"
               "movdqa %%xmm0, %%xmm11\n\t"
               "movdqa %%xmm0, %%xmm12\n\t"
               "movdqa %%xmm0, %%xmm13\n\t"
               "movdqa %%xmm0, %%xmm14\n\t"
               "movdqa %%xmm0, %%xmm15\n\t" ::
                   : "rax", "rcx", "rdx", "rsi", "rdi", "r8", "r9", "r10", "r11", "xmm0", "xmm1", "xmm2", "xmm3",
                     "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14",
                     "xmm15", "cc", "memory");
}

} // namespace

extern "C" void *__wrap_qzhbPlatformLookup(void *handle, const char *name, int *errorCode) {
  const unsigned index = lookupCount.fetch_add(1);
  if (index < kLogSize)
    lookups[index] = {handle, name};
  void *address = __real_qzhbPlatformLookup(handle, name, errorCode);
  clobberVolatileRegisters();
  return address;
}

QZ_PROBE_EXPORT void *qzProbeSlot(unsigned slot) {
  return slot < kQzhbEntryCount ? qzhbSlotTable[slot].load(std::memory_order_relaxed) : nullptr;
}

QZ_PROBE_EXPORT unsigned qzProbeLookupCount() { return lookupCount.load(); }

QZ_PROBE_EXPORT const char *qzProbeLookupName(unsigned index) {
  return index < kLogSize && index < lookupCount.load() ? lookups[index].name : nullptr;
}

QZ_PROBE_EXPORT void *qzProbeLookupHandle(unsigned index) {
  return index < kLogSize && index < lookupCount.load() ? lookups[index].handle : nullptr;
}

QZ_PROBE_EXPORT void qzProbeClearLookups() { lookupCount.store(0); }
