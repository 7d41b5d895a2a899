// Runs a scenario in a fresh child process (a plug-in loaded for the first
// time, its standard error captured). The child is this same test program,
// started with --qz-child=NAME; scenarios register themselves by name.
#pragma once

#include <functional>
#include <string>

namespace qztest {

struct ChildResult {
  int exitCode = -1;
  std::string standardError;
  std::string standardOutput;
};

// Registers a scenario; returns true so it can initialise a static.
bool registerChildScenario(const std::string &name, std::function<int()> body);

ChildResult runChildScenario(const std::string &name);

// Called by main: runs the scenario named on the command line, if any.
// Returns true (and sets *exitCode) when this process is such a child.
bool runChildScenarioFromArguments(int argc, char **argv, int *exitCode);

} // namespace qztest

#define QZ_CHILD_SCENARIO(name)                                                                                        \
  static int qzChildScenario_##name();                                                                                 \
  static const bool qzChildScenarioRegistered_##name = ::qztest::registerChildScenario(#name, qzChildScenario_##name); \
  static int qzChildScenario_##name()
