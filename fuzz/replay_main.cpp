// Stands in for libFuzzer's main in builds without it: runs a fuzz target
// over every file of the corpus and regression folders named on the command
// line, so the cases that fuzzing found run as ordinary tests in every
// preset, under the sanitizers too. A crash or a sanitizer report ends the
// process; otherwise it prints how many inputs ran.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

std::vector<std::filesystem::path> inputsIn(const std::filesystem::path &path) {
  std::vector<std::filesystem::path> inputs;
  if (std::filesystem::is_directory(path)) {
    for (const auto &entry : std::filesystem::directory_iterator(path))
      if (entry.is_regular_file())
        inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
  } else {
    inputs.push_back(path);
  }
  return inputs;
}

} // namespace

int main(int argc, char **argv) {
  if (LLVMFuzzerInitialize)
    LLVMFuzzerInitialize(&argc, &argv);
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    if (!std::filesystem::exists(argv[i])) {
      std::fprintf(stderr, "no such corpus: %s\n", argv[i]);
      return 2;
    }
    for (const auto &input : inputsIn(argv[i])) {
      std::ifstream file(input, std::ios::binary);
      const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 2;
  }
  std::printf("%zu inputs replayed\n", replayed);
  return 0;
}
