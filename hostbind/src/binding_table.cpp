#include "binding_table.h"

#include <array>
#include <cstdint>
#include <cstdio>

#include "platform.h"

// The 690 names, in slot order, as one block of constant data.
extern "C" QZ_INTERNAL constexpr char qzhbNameText[] =
#define QZHB_FIXED(slot, name, classes) #name "\0"
#define QZHB_VARIADIC QZHB_FIXED
#include "host_entries.def"
#undef QZHB_FIXED
#undef QZHB_VARIADIC
    ;

namespace {

// Every line of the list must sit at its own slot number.
constexpr unsigned kSlotOfLine[] = {
#define QZHB_FIXED(slot, name, classes) slot,
#define QZHB_VARIADIC QZHB_FIXED
#include "host_entries.def"
#undef QZHB_FIXED
#undef QZHB_VARIADIC
};
static_assert(std::size(kSlotOfLine) == kQzhbEntryCount, "the host interface has 690 entries");
constexpr bool slotsInOrder() {
  for (unsigned line = 0; line < kQzhbEntryCount; ++line)
    if (kSlotOfLine[line] != line)
      return false;
  return true;
}
static_assert(slotsInOrder(), "host_entries.def must list slot k on line k");

constexpr std::array<uint16_t, kQzhbEntryCount> nameOffsets() {
  std::array<uint16_t, kQzhbEntryCount> offsets{};
  unsigned position = 0;
  for (unsigned slot = 0; slot < kQzhbEntryCount; ++slot) {
    offsets[slot] = static_cast<uint16_t>(position);
    while (qzhbNameText[position] != '\0')
      ++position;
    ++position;
  }
  return offsets;
}
constexpr std::array<uint16_t, kQzhbEntryCount> kNameOffsets = nameOffsets();

} // namespace

extern "C" {

std::atomic<void *> qzhbSlotTable[kQzhbEntryCount];
std::atomic<void *> qzhbModuleHandle;

const char *qzhbEntryName(unsigned slot) { return qzhbNameText + kNameOffsets[slot]; }

void miSetModuleHandle(void *handle) {
  qzhbModuleHandle.store(handle, std::memory_order_relaxed);
  for (std::atomic<void *> &slot : qzhbSlotTable)
    slot.store(nullptr, std::memory_order_relaxed);
}

void *qzhbResolve(unsigned slot) {
  void *address = qzhbSlotTable[slot].load(std::memory_order_relaxed);
  if (address != nullptr)
    return address;

  void *handle = qzhbModuleHandle.load(std::memory_order_relaxed);
  if (handle == nullptr)
    fputs("DYNLOAD: dl_handle null\n", stderr);

  const char *name = qzhbEntryName(slot);
  int errorCode = 0;
  address = qzhbPlatformLookup(handle, name, &errorCode);
  // Stored also when null: a failed lookup leaves the slot empty, so the next
  // call looks the name up again.
  qzhbSlotTable[slot].store(address, std::memory_order_relaxed);
  if (address == nullptr)
    fprintf(stderr, "dlsym failed on \"%s\" (handle: %08x error: %d)\n", name,
            static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle) & 0xFFFFFFFFu), errorCode);
  return address;
}

} // extern "C"
