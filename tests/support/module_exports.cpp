#include "module_exports.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace qztest {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes readAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot open " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T> T at(const Bytes &file, uint64_t offset) {
  if (offset > file.size() || sizeof(T) > file.size() - offset)
    throw std::runtime_error("truncated module");
  T value;
  std::memcpy(&value, file.data() + offset, sizeof value);
  return value;
}

std::string stringAt(const Bytes &file, uint64_t offset) {
  if (offset >= file.size())
    throw std::runtime_error("name outside the file");
  const auto *begin = reinterpret_cast<const char *>(file.data() + offset);
  const void *end = std::memchr(begin, '\0', file.size() - offset);
  if (end == nullptr)
    throw std::runtime_error("unterminated name");
  return {begin, static_cast<const char *>(end)};
}

struct ModuleTables {
  std::set<std::string> exports;
  std::set<std::string> imports;
};

// ELF64, little-endian; the field offsets are those of the ELF64 headers.
ModuleTables elfTables(const Bytes &file) {
  if (file.size() < 64 || file[4] != 2 || file[5] != 1)
    throw std::runtime_error("not a little-endian ELF64 file");
  const auto sectionTable = at<uint64_t>(file, 0x28);
  const auto sectionSize = at<uint16_t>(file, 0x3A);
  const auto sectionCount = at<uint16_t>(file, 0x3C);
  ModuleTables tables;
  for (unsigned i = 0; i < sectionCount; ++i) {
    const uint64_t header = sectionTable + uint64_t{i} * sectionSize;
    const auto type = at<uint32_t>(file, header + 0x04);
    if (type != 11 && type != 6) // SHT_DYNSYM, SHT_DYNAMIC
      continue;
    const uint64_t entries = at<uint64_t>(file, header + 0x18);
    const uint64_t size = at<uint64_t>(file, header + 0x20);
    const uint32_t link = at<uint32_t>(file, header + 0x28);
    const uint64_t entrySize = at<uint64_t>(file, header + 0x38);
    const uint64_t stringsHeader = sectionTable + uint64_t{link} * sectionSize;
    const uint64_t strings = at<uint64_t>(file, stringsHeader + 0x18);
    for (uint64_t entry = entries; entrySize && entry + entrySize <= entries + size; entry += entrySize) {
      if (type == 6) {
        if (at<int64_t>(file, entry) == 1) // DT_NEEDED
          tables.imports.insert(stringAt(file, strings + at<uint64_t>(file, entry + 8)));
        continue;
      }
      const auto nameOffset = at<uint32_t>(file, entry);
      const auto info = at<uint8_t>(file, entry + 4);
      const auto sectionIndex = at<uint16_t>(file, entry + 6);
      const unsigned binding = info >> 4; // 1 GLOBAL, 2 WEAK
      if (sectionIndex == 0 || (binding != 1 && binding != 2))
        continue;
      tables.exports.insert(stringAt(file, strings + nameOffset));
    }
  }
  return tables;
}

// PE32+ (64-bit Windows); the field offsets are those of the PE/COFF headers.
class PeImage {
public:
  explicit PeImage(const Bytes &file) : file_(file) {
    const auto peHeader = at<uint32_t>(file, 0x3C);
    if (at<uint32_t>(file, peHeader) != 0x00004550) // "PE\0\0"
      throw std::runtime_error("no PE signature");
    const uint64_t coff = peHeader + 4;
    sectionCount_ = at<uint16_t>(file, coff + 2);
    const uint64_t optional = coff + 20;
    if (at<uint16_t>(file, optional) != 0x20B)
      throw std::runtime_error("not a PE32+ (64-bit) module");
    directoryCount_ = at<uint32_t>(file, optional + 108);
    directories_ = optional + 112;
    sections_ = optional + at<uint16_t>(file, coff + 16);
  }

  // File offset of data directory `index` (0 exports, 1 imports, 13 delay-load
  // imports), or 0 when the module has none.
  uint64_t directory(unsigned index) const {
    if (index >= directoryCount_ || at<uint32_t>(file_, directories_ + 8u * index + 4) == 0)
      return 0;
    return offsetOf(at<uint32_t>(file_, directories_ + 8u * index));
  }

  // File offset of a relative virtual address, through the section it lies in.
  uint64_t offsetOf(uint32_t rva) const {
    for (unsigned i = 0; i < sectionCount_; ++i) {
      const uint64_t section = sections_ + 40u * i;
      const auto virtualSize = at<uint32_t>(file_, section + 8);
      const auto virtualAddress = at<uint32_t>(file_, section + 12);
      const auto rawSize = at<uint32_t>(file_, section + 16);
      const auto rawOffset = at<uint32_t>(file_, section + 20);
      if (rva >= virtualAddress && rva - virtualAddress < std::max(virtualSize, rawSize)) {
        if (rva - virtualAddress >= rawSize)
          throw std::runtime_error("address outside the section's data");
        return uint64_t{rawOffset} + (rva - virtualAddress);
      }
    }
    throw std::runtime_error("address outside every section");
  }

  uint32_t u32(uint64_t offset) const { return at<uint32_t>(file_, offset); }
  uint16_t u16(uint64_t offset) const { return at<uint16_t>(file_, offset); }
  std::string nameAt(uint32_t rva) const { return stringAt(file_, offsetOf(rva)); }

private:
  const Bytes &file_;
  unsigned sectionCount_ = 0;
  uint32_t directoryCount_ = 0;
  uint64_t directories_ = 0;
  uint64_t sections_ = 0;
};

ModuleTables peTables(const Bytes &file) {
  const PeImage image(file);
  ModuleTables tables;

  if (const uint64_t exports = image.directory(0)) {
    const uint32_t ordinalBase = image.u32(exports + 16);
    const uint32_t functionCount = image.u32(exports + 20);
    const uint32_t nameCount = image.u32(exports + 24);
    const uint64_t functions = image.offsetOf(image.u32(exports + 28));
    std::vector<bool> named(functionCount, false);
    if (nameCount != 0) {
      const uint64_t names = image.offsetOf(image.u32(exports + 32));
      const uint64_t nameOrdinals = image.offsetOf(image.u32(exports + 36));
      for (uint32_t i = 0; i < nameCount; ++i) {
        tables.exports.insert(image.nameAt(image.u32(names + 4u * i)));
        const uint16_t index = image.u16(nameOrdinals + 2u * i);
        if (index < functionCount)
          named[index] = true;
      }
    }
    for (uint32_t index = 0; index < functionCount; ++index)
      if (!named[index] && image.u32(functions + 4u * index) != 0)
        tables.exports.insert(std::string(1, '#').append(std::to_string(ordinalBase + index)));
  }

  // Import descriptors are 20 bytes with the DLL's name at +12; delay-load
  // descriptors 32 bytes with it at +4. A zero name ends either table.
  struct Table {
    unsigned directory, descriptorSize, nameField;
  };
  for (const Table table : {Table{1, 20, 12}, Table{13, 32, 4}}) {
    const uint64_t descriptors = image.directory(table.directory);
    if (descriptors == 0)
      continue;
    for (uint64_t descriptor = descriptors;; descriptor += table.descriptorSize) {
      const uint32_t name = image.u32(descriptor + table.nameField);
      if (name == 0)
        break;
      tables.imports.insert(image.nameAt(name));
    }
  }
  return tables;
}

ModuleTables readModuleTables(const std::string &path) {
  const Bytes file = readAll(path);
  try {
    if (file.size() >= 4 && std::memcmp(file.data(), "\177ELF", 4) == 0)
      return elfTables(file);
    if (file.size() >= 0x40 && file[0] == 'M' && file[1] == 'Z')
      return peTables(file);
  } catch (const std::runtime_error &error) {
    throw std::runtime_error(path + ": " + error.what());
  }
  throw std::runtime_error(path + ": unknown module format");
}

} // namespace

std::set<std::string> exportedNames(const std::string &path) { return readModuleTables(path).exports; }

std::set<std::string> importedModules(const std::string &path) { return readModuleTables(path).imports; }

} // namespace qztest
