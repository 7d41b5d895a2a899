// Loads the test-only probe plug-in and the recording host (tests/probe,
// tests/hosts/recording_host.cpp) at run time, as a renderer loads modules.
#pragma once

#include <string>

#include "dynamic_library.h"
#include "host_entries.h"

namespace qztest {

// The probe plug-in: the hidden binding functions by slot, the slot table,
// and the log of the lookups that the binding layer made.
struct BindingProbe {
  BindingProbe();
  DynamicLibrary library;
  void (*setModuleHandle)(void *handle) = nullptr;
  void *(*bindingFunction)(unsigned slot) = nullptr;
  void *(*slot)(unsigned slot) = nullptr;
  unsigned (*lookupCount)() = nullptr;
  const char *(*lookupName)(unsigned index) = nullptr;
  void *(*lookupHandle)(unsigned index) = nullptr;
  void (*clearLookups)() = nullptr;

  // The binding function of entry `slot`, as a function of type F.
  template <typename F> F binding(unsigned slotNumber) const {
    return reinterpret_cast<F>(bindingFunction(slotNumber));
  }
};

// The host module that exports all 690 names and records each call.
struct RecordingHostModule {
  RecordingHostModule();
  DynamicLibrary library;
  CallRecord *(*record)(unsigned slot) = nullptr;
  void (*reset)() = nullptr;
};

// Loaded once per process and kept.
BindingProbe &bindingProbe();
RecordingHostModule &recordingHost();

// The slot of the entry named `name`; throws if there is none.
unsigned slotOf(const std::string &name);

} // namespace qztest
