#include "progress.h"

#include <string>

namespace qzrender {

void Progress::update(double fraction) {
  const int percent = static_cast<int>(fraction * 100.0);
  if (percent == shown_)
    return;
  shown_ = percent;
  if (farmLines_) {
    std::printf("ALF_PROGRESS %d%%\n", percent);
    std::fflush(stdout);
  }
  if (bar_) {
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '.');
    std::fprintf(stderr, "\rqzrender [%s] %3d%%", bar.c_str(), percent);
    std::fflush(stderr);
  }
}

void Progress::finish() {
  if (bar_ && shown_ >= 0) {
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
  }
}

} // namespace qzrender
