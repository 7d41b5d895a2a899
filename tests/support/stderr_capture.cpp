#include "stderr_capture.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#define qzProcessId _getpid
#define qzDup _dup
#define qzDup2 _dup2
#define qzClose _close
#define qzFileno _fileno
#else
#include <unistd.h>
#define qzProcessId getpid
#define qzDup dup
#define qzDup2 dup2
#define qzClose close
#define qzFileno fileno
#endif

namespace qztest {

StderrCapture::StderrCapture() {
  // Unique across the test processes that CTest may run at once, and across
  // captures within one process.
  static std::atomic<int> captures{0};
  const std::string name = "qztest-stderr-" + std::to_string(qzProcessId()) + "-" + std::to_string(captures++) + ".txt";
  path_ = (std::filesystem::temp_directory_path() / name).string();
  std::fflush(stderr);
  savedFd_ = qzDup(qzFileno(stderr));
  std::FILE *file = std::fopen(path_.c_str(), "wb");
  if (!file || savedFd_ < 0)
    throw std::runtime_error("cannot capture standard error");
  qzDup2(qzFileno(file), qzFileno(stderr));
  std::fclose(file);
}

StderrCapture::~StderrCapture() {
  std::fflush(stderr);
  qzDup2(savedFd_, qzFileno(stderr));
  qzClose(savedFd_);
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

std::string StderrCapture::take() {
  std::fflush(stderr);
  std::ifstream in(path_, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string all = text.str();
  std::string fresh = all.substr(static_cast<size_t>(consumed_));
  consumed_ = static_cast<long>(all.size());
  return fresh;
}

} // namespace qztest
