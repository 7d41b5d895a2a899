// The probe's window on the binding functions: the address of each, by slot.
// They are hidden inside the plug-in, so tests reach them only through here,
// and call them through whatever function type the case needs.
//
// Declared here without prototypes of their own (and without the product's
// headers, whose prototypes would clash): only the addresses are taken.
#include "probe_exports.h"

extern "C" {
#define QZHB_FIXED(slot, name, classes) __attribute__((visibility("hidden"))) void name();
#define QZHB_VARIADIC QZHB_FIXED
#include "host_entries.def"
#undef QZHB_FIXED
#undef QZHB_VARIADIC
}

namespace {
using BindingFunction = void (*)();
const BindingFunction kBindingFunctions[] = {
#define QZHB_FIXED(slot, name, classes) &name,
#define QZHB_VARIADIC QZHB_FIXED
#include "host_entries.def"
#undef QZHB_FIXED
#undef QZHB_VARIADIC
};
} // namespace

QZ_PROBE_EXPORT void *qzProbeBindingFunction(unsigned slot) {
  return slot < std::size(kBindingFunctions) ? reinterpret_cast<void *>(kBindingFunctions[slot]) : nullptr;
}
