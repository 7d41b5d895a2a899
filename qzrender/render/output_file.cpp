#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace qzrender {
namespace {

// The path the signal handler removes; written before the handler can see
// it, cleared after the file is gone or committed.
char pendingPath[4096];
volatile std::sig_atomic_t pending = 0;

extern "C" void removePendingAndDie(int signalNumber) {
  if (pending)
    unlink(pendingPath);
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

void watchSignals() {
  static bool installed = false;
  if (installed)
    return;
  installed = true;
  // Interruptions, and a shader that crashes the process.
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
    std::signal(signalNumber, removePendingAndDie);
}

} // namespace

OutputFile::OutputFile(const std::string &target) : target_(target) {
  namespace fs = std::filesystem;
  const fs::path path(target);
  std::error_code error;
  if (fs::is_directory(path, error))
    throw std::runtime_error("cannot write \"" + target + "\": it is a folder");
  // The image replaces the target by a rename, which asks nothing of the
  // target's own permissions: refuse a file that is write-protected, for the
  // user (access) or by its mode, which root's access ignores.
  struct stat existing;
  if (stat(target.c_str(), &existing) == 0 && ((existing.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0))
    throw std::runtime_error("cannot write \"" + target + "\": the file is read-only");
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::string name = ".";
  name += path.filename().string();
  name += ".qzrender-";
  name += std::to_string(getpid());
  name += ".tmp";
  temporary_ = (folder / name).string();
  if (temporary_.size() >= sizeof pendingPath)
    throw std::runtime_error("cannot write \"" + target + "\": the path is too long");
  const int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0)
    throw std::runtime_error("cannot write \"" + target + "\": " + std::strerror(errno));
  close(fd);
  watchSignals();
  std::memcpy(pendingPath, temporary_.c_str(), temporary_.size() + 1);
  pending = 1;
}

OutputFile::~OutputFile() {
  if (!committed_)
    unlink(temporary_.c_str());
  pending = 0;
}

void OutputFile::commit() {
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
    throw std::runtime_error("cannot write \"" + target_ + "\": " + std::strerror(errno));
  committed_ = true;
  pending = 0;
}

} // namespace qzrender
