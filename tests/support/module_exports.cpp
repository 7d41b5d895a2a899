#include "module_exports.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace qztest {
namespace {

std::vector<unsigned char> readAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot open " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T> T at(const std::vector<unsigned char> &file, uint64_t offset) {
  if (offset + sizeof(T) > file.size())
    throw std::runtime_error("truncated module");
  T value;
  std::memcpy(&value, file.data() + offset, sizeof value);
  return value;
}

// ELF64, little-endian; the field offsets are those of the ELF64 headers.
std::set<std::string> elfExports(const std::vector<unsigned char> &file) {
  if (file.size() < 64 || file[4] != 2 || file[5] != 1)
    throw std::runtime_error("not a little-endian ELF64 file");
  const auto sectionTable = at<uint64_t>(file, 0x28);
  const auto sectionSize = at<uint16_t>(file, 0x3A);
  const auto sectionCount = at<uint16_t>(file, 0x3C);
  std::set<std::string> names;
  for (unsigned i = 0; i < sectionCount; ++i) {
    const uint64_t header = sectionTable + uint64_t{i} * sectionSize;
    if (at<uint32_t>(file, header + 0x04) != 11) // SHT_DYNSYM
      continue;
    const uint64_t symbols = at<uint64_t>(file, header + 0x18);
    const uint64_t size = at<uint64_t>(file, header + 0x20);
    const uint32_t link = at<uint32_t>(file, header + 0x28);
    const uint64_t entrySize = at<uint64_t>(file, header + 0x38);
    const uint64_t stringsHeader = sectionTable + uint64_t{link} * sectionSize;
    const uint64_t strings = at<uint64_t>(file, stringsHeader + 0x18);
    for (uint64_t symbol = symbols; entrySize && symbol + entrySize <= symbols + size; symbol += entrySize) {
      const auto nameOffset = at<uint32_t>(file, symbol);
      const auto info = at<uint8_t>(file, symbol + 4);
      const auto sectionIndex = at<uint16_t>(file, symbol + 6);
      const unsigned binding = info >> 4; // 1 GLOBAL, 2 WEAK
      if (sectionIndex == 0 || (binding != 1 && binding != 2))
        continue;
      const uint64_t nameAt = strings + nameOffset;
      if (nameAt >= file.size())
        throw std::runtime_error("symbol name outside the file");
      names.insert(reinterpret_cast<const char *>(file.data() + nameAt));
    }
  }
  return names;
}

} // namespace

std::set<std::string> exportedNames(const std::string &path) {
  const std::vector<unsigned char> file = readAll(path);
  if (file.size() >= 4 && std::memcmp(file.data(),
                                      "\x7f"
                                      "ELF",
                                      4) == 0)
    return elfExports(file);
  throw std::runtime_error(path + ": unknown module format");
}

} // namespace qztest
