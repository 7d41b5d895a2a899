#include "qzrender_run.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qztest {
namespace {

std::string shellQuoted(const std::string &text) {
  std::string quoted(1, '\'');
  for (char c : text) {
    if (c == '\'')
      quoted.append("'\\''");
    else
      quoted.push_back(c);
  }
  quoted.push_back('\'');
  return quoted;
}

std::string takeFile(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  in.close();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return text.str();
}

} // namespace

RunResult runQzrender(const std::vector<std::string> &arguments, const std::vector<std::string> &environment) {
  return runProgram(QZRENDER_EXE, arguments, environment);
}

RunResult runProgram(const std::string &executable, const std::vector<std::string> &arguments,
                     const std::vector<std::string> &environment) {
  namespace fs = std::filesystem;
  static int runs = 0;
  const fs::path stem =
      fs::temp_directory_path() / ("qzrender-run-" + std::to_string(getpid()) + "-" + std::to_string(++runs));
  std::string command = environment.empty() ? "" : "env ";
  for (const std::string &setting : environment)
    command.append(shellQuoted(setting)).append(" ");
  command.append(shellQuoted(executable));
  for (const std::string &argument : arguments)
    command.append(" ").append(shellQuoted(argument));
  command.append(" </dev/null >").append(shellQuoted(stem.string() + ".out"));
  command.append(" 2>").append(shellQuoted(stem.string() + ".err"));
  const int status = std::system(command.c_str());
  RunResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.standardOutput = takeFile(stem.string() + ".out");
  result.standardError = takeFile(stem.string() + ".err");
  return result;
}

std::vector<std::string> testShaderFolders() { return {"-L", QZ_TEST_SHADERS_DIR, "-I", QZ_TEST_SCENES_DIR}; }

} // namespace qztest
