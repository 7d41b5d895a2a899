// Captures what this process writes to standard error while it lives, by
// pointing file descriptor 2 at a temporary file.
#pragma once

#include <string>

namespace qztest {

class StderrCapture {
public:
  StderrCapture();
  StderrCapture(const StderrCapture &) = delete;
  StderrCapture &operator=(const StderrCapture &) = delete;
  ~StderrCapture();
  // Everything written since construction (or the last take).
  std::string take();

private:
  std::string path_;
  int savedFd_ = -1;
  long consumed_ = 0;
};

} // namespace qztest
