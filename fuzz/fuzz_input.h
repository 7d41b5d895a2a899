// Reads a fuzz input front to back as fixed-width values. Past its end
// every value reads as zero bytes, so any input, however short, is a whole
// case and the layout of a target's input stays easy to write by hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qzfuzz {

class FuzzInput {
public:
  FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

  void copyTo(void *out, size_t count) {
    const size_t available = count < size_ - at_ ? count : size_ - at_;
    if (available)
      std::memcpy(out, data_ + at_, available);
    std::memset(static_cast<unsigned char *>(out) + available, 0, count - available);
    at_ += available;
  }
  template <typename T> T take() {
    T value;
    copyTo(&value, sizeof value);
    return value;
  }
  // The bytes not read yet.
  const uint8_t *rest() const { return data_ + at_; }
  size_t restSize() const { return size_ - at_; }

private:
  const uint8_t *data_;
  size_t size_;
  size_t at_ = 0;
};

// Stops the process the way a crash would, so that the fuzzer keeps the
// input and the replay test fails.
[[noreturn]] void fail(const char *what);

} // namespace qzfuzz
