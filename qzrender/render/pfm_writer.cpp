#include "pfm_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

namespace qzrender {
namespace {

// The scale -1.0 in the header promises little-endian floats, which are
// written as they lie in memory.
static_assert(std::endian::native == std::endian::little, "PFM output assumes a little-endian machine");

// Rows are gathered into buffers of about this size, so that a frame takes a
// few dozen write calls whatever its width.
constexpr size_t kChunkBytes = size_t{1} << 20;

// Writes all of `bytes`, across short writes and interruptions.
bool writeAll(int fd, const void *bytes, size_t size) {
  const char *at = static_cast<const char *>(bytes);
  while (size > 0) {
    const ssize_t written = ::write(fd, at, size);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    at += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool writeRows(int fd, const Image &image) {
  const int channels = image.channels == 1 ? 1 : 3; // colour: R, G, B without alpha
  const size_t rowFloats = static_cast<size_t>(image.width) * channels;
  const size_t rowsPerChunk = std::max<size_t>(1, kChunkBytes / (rowFloats * sizeof(float)));
  std::vector<float> chunk(rowsPerChunk * rowFloats);
  int y = image.height - 1;
  while (y >= 0) {
    float *out = chunk.data();
    for (size_t rows = 0; rows < rowsPerChunk && y >= 0; ++rows, --y) {
      const float *in = image.pixels.data() + static_cast<size_t>(y) * image.width * image.channels;
      if (channels == 1) {
        std::memcpy(out, in, rowFloats * sizeof(float));
        out += rowFloats;
        continue;
      }
      for (int x = 0; x < image.width; ++x, in += image.channels) {
        *out++ = in[0];
        *out++ = in[1];
        *out++ = in[2];
      }
    }
    if (!writeAll(fd, chunk.data(), static_cast<size_t>(out - chunk.data()) * sizeof(float)))
      return false;
  }
  return true;
}

} // namespace

std::string writePfm(const std::string &file, const Image &image) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    return std::strerror(errno);
  const std::string header = std::string(image.channels == 1 ? "Pf" : "PF") + "\n" + std::to_string(image.width) + " " +
                             std::to_string(image.height) + "\n-1.0\n";
  const bool written = writeAll(fd, header.data(), header.size()) && writeRows(fd, image);
  const int writeError = errno;
  const bool closed = ::close(fd) == 0;
  if (!written)
    return std::strerror(writeError);
  if (!closed)
    return std::strerror(errno);
  return {};
}

} // namespace qzrender
