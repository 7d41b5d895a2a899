#include "binding_probe.h"

#include <stdexcept>

namespace qztest {
namespace {

DynamicLibrary loadOrThrow(const std::string &name) {
  DynamicLibrary library(testHostPath(name));
  if (!library.loaded())
    throw std::runtime_error("cannot load " + name + ": " + library.error());
  return library;
}

template <typename F> void bind(const DynamicLibrary &library, F &function, const char *name) {
  function = library.symbol<F>(name);
  if (!function)
    throw std::runtime_error(std::string("missing export ") + name);
}

} // namespace

BindingProbe::BindingProbe() : library(loadOrThrow("qztest_probe")) {
  bind(library, setModuleHandle, "miSetModuleHandle");
  bind(library, bindingFunction, "qzProbeBindingFunction");
  bind(library, slot, "qzProbeSlot");
  bind(library, lookupCount, "qzProbeLookupCount");
  bind(library, lookupName, "qzProbeLookupName");
  bind(library, lookupHandle, "qzProbeLookupHandle");
  bind(library, clearLookups, "qzProbeClearLookups");
}

RecordingHostModule::RecordingHostModule() : library(loadOrThrow("qztest_recording_host")) {
  bind(library, record, "qzRecordingHostRecord");
  bind(library, reset, "qzRecordingHostReset");
}

BindingProbe &bindingProbe() {
  static BindingProbe probe;
  return probe;
}

RecordingHostModule &recordingHost() {
  static RecordingHostModule host;
  return host;
}

unsigned slotOf(const std::string &name) {
  for (const HostEntry &entry : kHostEntries)
    if (entry.name == name)
      return entry.slot;
  throw std::invalid_argument("no host entry " + name);
}

} // namespace qztest
