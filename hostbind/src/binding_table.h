// The binding layer's state: the host module handle and one entry slot per
// host function, in the slot order of host_entries.def.
#ifndef QZFRACTAL_BINDING_TABLE_H
#define QZFRACTAL_BINDING_TABLE_H

#include <atomic>
#include <cstddef>

#include "qzfractal/host_api.h"

// Slot numbers by name, e.g. qzhbSlot_mi_phen_eval == 100.
enum QzhbSlot : unsigned {
#define QZHB_FIXED(slot, name, classes) qzhbSlot_##name = slot,
#define QZHB_VARIADIC QZHB_FIXED
#include "host_entries.def"
#undef QZHB_FIXED
#undef QZHB_VARIADIC
};

inline constexpr unsigned kQzhbEntryCount = 690;

// Every slot and the handle are single pointer-sized atomic words: a reader
// sees either null or a complete address. No ordering between different
// slots is needed, so all accesses are relaxed. Zero in the library image.
static_assert(sizeof(std::atomic<void *>) == sizeof(void *));
static_assert(std::atomic<void *>::is_always_lock_free);

extern "C" {
QZ_INTERNAL extern std::atomic<void *> qzhbSlotTable[kQzhbEntryCount];
QZ_INTERNAL extern std::atomic<void *> qzhbModuleHandle;

// The name of entry `slot`, NUL-terminated.
QZ_INTERNAL const char *qzhbEntryName(unsigned slot);

// Steps 1 to 5 of a binding function's first call: fills the slot from the
// host module (with the diagnostics when there is no handle or no such
// export) and returns its address, or null when the host lacks the name.
QZ_INTERNAL void *qzhbResolve(unsigned slot);
}

// The fast path every binding function takes: one relaxed load of its slot,
// falling back to the resolver only while the slot is empty.
static inline void *qzhbBoundAddress(unsigned slot) {
  void *address = qzhbSlotTable[slot].load(std::memory_order_relaxed);
  if (__builtin_expect(address == nullptr, 0))
    address = qzhbResolve(slot);
  return address;
}

#endif
