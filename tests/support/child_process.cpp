#include "child_process.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#if defined(_WIN32)
#include <process.h>
#define qzProcessId _getpid
#else
#include <sys/wait.h>
#include <unistd.h>
#define qzProcessId getpid
#endif

namespace qztest {
namespace {

std::map<std::string, std::function<int()>> &scenarios() {
  static std::map<std::string, std::function<int()>> all;
  return all;
}

std::string &selfPath() {
  static std::string path;
  return path;
}

// Read as text: the child's standard streams are text streams, which on
// Windows end every line with CR LF.
std::string readTextFile(const std::filesystem::path &path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

} // namespace

bool registerChildScenario(const std::string &name, std::function<int()> body) {
  scenarios()[name] = std::move(body);
  return true;
}

ChildResult runChildScenario(const std::string &name) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path();
  const std::string stem = "qztest-" + name + "-" + std::to_string(qzProcessId());
  const fs::path errPath = dir / (stem + ".err");
  const fs::path outPath = dir / (stem + ".out");
  // std::system runs the platform's shell (sh, or cmd under Windows); both
  // understand these redirections.
  std::string command =
      "\"" + selfPath() + "\" --qz-child=" + name + " >\"" + outPath.string() + "\" 2>\"" + errPath.string() + "\"";
#if defined(_WIN32)
  // cmd /c strips the first and the last quote of a line that holds more than
  // two, so the whole line goes inside one more pair.
  command = "\"" + command + "\"";
#endif
  ChildResult result;
  const int status = std::system(command.c_str());
#if defined(_WIN32)
  result.exitCode = status;
#else
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
  result.standardError = readTextFile(errPath);
  result.standardOutput = readTextFile(outPath);
  std::error_code ignored;
  fs::remove(errPath, ignored);
  fs::remove(outPath, ignored);
  return result;
}

bool runChildScenarioFromArguments(int argc, char **argv, int *exitCode) {
  selfPath() = std::filesystem::absolute(argv[0]).string();
  const std::string prefix = "--qz-child=";
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind(prefix, 0) != 0)
      continue;
    auto found = scenarios().find(argument.substr(prefix.size()));
    if (found == scenarios().end()) {
      std::fprintf(stderr, "unknown child scenario %s\n", argument.c_str());
      *exitCode = 99;
      return true;
    }
    *exitCode = found->second();
    std::fflush(stdout);
    std::fflush(stderr);
    return true;
  }
  return false;
}

} // namespace qztest
