// Fuzz target: one shader plug-in, loaded as a host loads it, called with
// whatever the input says about its parameter block, the connection tags,
// the ghost flag and offset, the texture coordinates and the host's answers
// to mi_phen_eval. QZ_FUZZ_SHADER names the shader.
//
// Around the shader sits a host that keeps its side of the contract, and no
// more: the render state and the shader record are exactly as long as the
// members read from them, every parameter's connection tag lies in mapped
// memory, mi_phen_eval hands back 16 readable bytes (or null), and the
// texture-coordinate list has an entry for every texture space that a 32-bit
// integer can name. Within that, no input may crash the shader, make it read
// or write outside those records, write to anything but its result, evaluate
// a parameter twice or ask the host about an address that is not one of its
// parameters.
//
// Input layout (every value little-endian; a short input reads as zeros):
//   u8      null pointers: bit 0 result, bit 1 render state, bit 2 parameter
//           block, bit 3 texture-coordinate list
//   u8      ghost flag
//   i32     ghost offset, folded into -kTagReach..kTagReach
//   bytes   the parameter block
//   per parameter, in block order: u8 tag choice (see kTagChoices); choice 7
//           is followed by the i32 tag itself
//   f32 x3  u, v, w of each of the first kWrittenSpaces texture spaces
//   per mi_phen_eval call, in call order: u8 (0: answer null) and 16 bytes
#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dynamic_library.h"
#include "fuzz_input.h"

namespace {

using qzfuzz::fail;
using qzfuzz::FuzzInput;

struct ShaderUnderTest {
  const char *name;
  size_t blockSize;
  size_t resultSize;
  std::vector<size_t> parameterOffsets;
};

// Block layouts, written out here as the host sees them.
const ShaderUnderTest kShaders[] = {
    {"qzFractalMandelbrot", 24, 4, {0, 4, 8, 12, 16, 20}},
    {"qzFractalColorizerSimple", 52, 16, {0, 4, 20, 36}},
    {"qzFractalColorizerArea5", 120, 16, {0, 4, 8, 12, 16, 20, 24, 40, 56, 72, 88, 104}},
};

// Host record layout: render state members at 248 (texture-coordinate list)
// and 312 (shader record); shader record members at 96 (ghost offset) and
// 109 (ghost flag). Each record is allocated exactly up to its last member,
// so that a read past it is out of bounds.
constexpr size_t kStateTextureList = 248;
constexpr size_t kStateShader = 312;
constexpr size_t kStateSize = kStateShader + 8;
constexpr size_t kShaderGhostOffset = 96;
constexpr size_t kShaderGhostFlag = 109;
constexpr size_t kShaderRecordSize = kShaderGhostFlag + 1;

constexpr int32_t kTagReach = 1024;
constexpr int32_t kTagChoices[] = {0, -2, 1, -1, 2, -3, INT32_MIN};
constexpr size_t kWrittenSpaces = 4;
constexpr size_t kTextureEntrySize = 12;
constexpr size_t kMaxEvaluations = 16;
constexpr size_t kAnswerSize = 16;

using ShaderEntry = int32_t (*)(void *result, void *state, void *params);
using SetModuleHandle = void (*)(void *handle);

struct Host {
  const ShaderUnderTest *shader = nullptr;
  ShaderEntry entry = nullptr;
  unsigned char *state = nullptr;
  unsigned char *shaderRecord = nullptr;
  // The parameter block, with room for the tags on either side of it.
  unsigned char *arena = nullptr;
  size_t arenaSize = 0;
  unsigned char *block = nullptr;
  unsigned char *textureList = nullptr;
  unsigned char *result = nullptr;

  // One call's answers to mi_phen_eval, and what the shader asked.
  bool answerNull[kMaxEvaluations] = {};
  alignas(16) unsigned char answers[kMaxEvaluations][kAnswerSize] = {};
  size_t evaluations = 0;
  std::vector<bool> evaluated;
  void *callState = nullptr;

  // What the host's records held before the call.
  std::vector<unsigned char> arenaBefore;
  unsigned char stateBefore[kStateSize] = {};
  unsigned char recordBefore[kShaderRecordSize] = {};
};

Host host;

// Room for the entry of every non-negative 32-bit texture space, reserved but
// never backed: the pages beyond the first read as zeros. The first page,
// which holds the entries the input writes, is writable; a guard page lies on
// either side.
unsigned char *mapTextureList() {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t listSize = (size_t{1} << 31) * kTextureEntrySize;
  const size_t mapped = (listSize + page - 1) / page * page + 2 * page;
  void *region = mmap(nullptr, mapped, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (region == MAP_FAILED)
    fail("cannot reserve the texture-coordinate list");
  unsigned char *list = static_cast<unsigned char *>(region) + page;
  if (mprotect(list, mapped - 2 * page, PROT_READ) != 0 || mprotect(list, page, PROT_READ | PROT_WRITE) != 0)
    fail("cannot map the texture-coordinate list");
  return list;
}

void putPointer(unsigned char *record, size_t offset, const void *pointer) {
  std::memcpy(record + offset, &pointer, sizeof pointer);
}

} // namespace

// The host's mi_phen_eval, exported from this executable: the plug-in finds
// it through the module handle of the executable, as it finds a renderer's.
extern "C" __attribute__((visibility("default"))) void *mi_phen_eval(void *state, void *param) {
  if (state != host.callState)
    fail("mi_phen_eval called with another render state");
  const auto *address = static_cast<unsigned char *>(param);
  size_t index = 0;
  while (index < host.shader->parameterOffsets.size() && address != host.block + host.shader->parameterOffsets[index])
    ++index;
  if (index == host.shader->parameterOffsets.size())
    fail("mi_phen_eval asked about an address that is no parameter of the block");
  if (host.evaluated[index])
    fail("a parameter was evaluated twice in one call");
  host.evaluated[index] = true;
  if (host.evaluations >= kMaxEvaluations)
    fail("more evaluations than parameters");
  const size_t call = host.evaluations++;
  return host.answerNull[call] ? nullptr : host.answers[call];
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  for (const ShaderUnderTest &shader : kShaders)
    if (std::string(shader.name) == QZ_FUZZ_SHADER)
      host.shader = &shader;
  if (!host.shader)
    fail("unknown shader");

  static qztest::DynamicLibrary plugin(qztest::pluginPath(host.shader->name));
  if (!plugin.loaded())
    fail(plugin.error().c_str());
  host.entry = plugin.symbol<ShaderEntry>(host.shader->name);
  const auto setModuleHandle = plugin.symbol<SetModuleHandle>("miSetModuleHandle");
  if (!host.entry || !setModuleHandle)
    fail("the plug-in lacks its entries");
  setModuleHandle(dlopen(nullptr, RTLD_NOW));

  host.state = new unsigned char[kStateSize]();
  host.shaderRecord = new unsigned char[kShaderRecordSize]();
  host.arenaSize = 2 * kTagReach + host.shader->blockSize;
  host.arena = new unsigned char[host.arenaSize]();
  host.block = host.arena + kTagReach;
  host.arenaBefore.resize(host.arenaSize);
  host.textureList = mapTextureList();
  host.result = new unsigned char[host.shader->resultSize];
  host.evaluated.resize(host.shader->parameterOffsets.size());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  const ShaderUnderTest &shader = *host.shader;

  const auto nulls = input.take<uint8_t>();
  host.shaderRecord[kShaderGhostFlag] = input.take<uint8_t>();
  const int64_t rawOffset = input.take<int32_t>();
  const auto ghostOffset = static_cast<int32_t>(rawOffset % (kTagReach + 1));
  std::memcpy(host.shaderRecord + kShaderGhostOffset, &ghostOffset, sizeof ghostOffset);

  // Whatever lies around the block that no tag covers.
  std::memset(host.arena, 0xA5, host.arenaSize);
  input.copyTo(host.block, shader.blockSize);
  // Tags go in after the block: with a small offset they overlap it, as
  // they would in the host's memory.
  for (size_t offset : shader.parameterOffsets) {
    const uint8_t choice = input.take<uint8_t>() % 8;
    const int32_t tag = choice < 7 ? kTagChoices[choice] : input.take<int32_t>();
    std::memcpy(host.block + static_cast<std::ptrdiff_t>(offset) + ghostOffset, &tag, sizeof tag);
  }
  input.copyTo(host.textureList, kWrittenSpaces * kTextureEntrySize);
  for (size_t call = 0; call < kMaxEvaluations; ++call) {
    host.answerNull[call] = input.take<uint8_t>() == 0;
    input.copyTo(host.answers[call], kAnswerSize);
  }

  putPointer(host.state, kStateTextureList, (nulls & 8) ? nullptr : host.textureList);
  putPointer(host.state, kStateShader, host.shaderRecord);
  host.evaluations = 0;
  host.evaluated.assign(host.evaluated.size(), false);
  host.callState = (nulls & 2) ? nullptr : host.state;

  // The shader may write its result and nothing else of the host's.
  std::memcpy(host.arenaBefore.data(), host.arena, host.arenaSize);
  std::memcpy(host.stateBefore, host.state, kStateSize);
  std::memcpy(host.recordBefore, host.shaderRecord, kShaderRecordSize);
  std::memset(host.result, 0x5A, shader.resultSize);

  const int32_t returned =
      host.entry((nulls & 1) ? nullptr : host.result, host.callState, (nulls & 4) ? nullptr : host.block);

  if (returned != 1)
    fail("the shader returned something other than 1");
  if (std::memcmp(host.arenaBefore.data(), host.arena, host.arenaSize) != 0 ||
      std::memcmp(host.stateBefore, host.state, kStateSize) != 0 ||
      std::memcmp(host.recordBefore, host.shaderRecord, kShaderRecordSize) != 0)
    fail("the shader wrote to the host's records");
  if ((nulls & 1) &&
      std::count(host.result, host.result + shader.resultSize, 0x5A) != std::ptrdiff_t(shader.resultSize))
    fail("the shader wrote a result it was given no pointer for");
  if ((nulls & 7) && host.evaluations != 0)
    fail("the shader evaluated a parameter after a null pointer");
  return 0;
}
