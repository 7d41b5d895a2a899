#include "stderr_capture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#if defined(_WIN32)
#include <io.h>
#define qzDup _dup
#define qzDup2 _dup2
#define qzClose _close
#define qzFileno _fileno
#else
#include <unistd.h>
#define qzDup dup
#define qzDup2 dup2
#define qzClose close
#define qzFileno fileno
#endif

namespace qztest {

StderrCapture::StderrCapture() {
  path_ = (std::filesystem::temp_directory_path() / ("qztest-stderr-" + std::to_string(std::rand()) + ".txt")).string();
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
