// The image file qzrender writes appears whole or not at all: it is written
// to a temporary file beside the target, which is renamed over the target
// only once it is complete. The temporary file is removed on any failure,
// and also when the process is interrupted (SIGINT, SIGTERM, SIGHUP) or a
// shader crashes it (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT).
#pragma once

#include <string>

namespace qzrender {

class OutputFile {
public:
  // Creates the temporary file at once, so an unwritable target fails before
  // any work is done. Throws std::runtime_error.
  explicit OutputFile(const std::string &target);
  ~OutputFile(); // removes the temporary file unless committed
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  const std::string &temporaryPath() const { return temporary_; }
  const std::string &target() const { return target_; }
  // Renames the temporary file to the target. Throws std::runtime_error.
  void commit();

private:
  std::string target_;
  std::string temporary_;
  bool committed_ = false;
};

} // namespace qzrender
