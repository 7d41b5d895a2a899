// Runs the built qzrender as a user would, and collects what it said.
#pragma once

#include <string>
#include <vector>

namespace qztest {

struct RunResult {
  int exitCode = -1;
  std::string standardOutput;
  std::string standardError;
};

// `environment` holds NAME=VALUE settings for this run only.
RunResult runQzrender(const std::vector<std::string> &arguments, const std::vector<std::string> &environment = {});

// The same for another executable, such as a copy of qzrender elsewhere.
RunResult runProgram(const std::string &executable, const std::vector<std::string> &arguments,
                     const std::vector<std::string> &environment = {});

// -L/-I for the test shaders and their declarations, so test scenes find them.
std::vector<std::string> testShaderFolders();

} // namespace qztest
