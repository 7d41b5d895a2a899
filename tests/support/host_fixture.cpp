#include "host_fixture.h"

#include <memory>
#include <stdexcept>

namespace qztest {

HostRecords::HostRecords(int32_t ghostOffset) {
  // state + 312: pointer to the shader function record
  const void *record = shaderRecord_;
  std::memcpy(state_ + 312, &record, sizeof record);
  setGhostOffset(ghostOffset);
}

void HostRecords::setGhostOffset(int32_t offset) {
  ghostOffset_ = offset;
  std::memcpy(shaderRecord_ + 96, &offset, sizeof offset);
}

void HostRecords::setTag(size_t paramOffset, int32_t tag) {
  const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(kBlockStart + paramOffset) + ghostOffset_;
  if (at < 0 || at + 4 > static_cast<std::ptrdiff_t>(kArenaSize))
    throw std::out_of_range("tag outside the fixture's arena");
  std::memcpy(arena_ + at, &tag, sizeof tag);
}

void HostRecords::connect(const std::vector<size_t> &paramOffsets) {
  setGhostFlag(1);
  for (size_t offset : paramOffsets)
    setTag(offset, 1);
}

void *HostRecords::swapRunningShader(void *record) {
  void *previous;
  std::memcpy(&previous, state_ + 312, sizeof previous);
  std::memcpy(state_ + 312, &record, sizeof record);
  return previous;
}

void HostRecords::setTextureSpaces(const std::vector<float> &uvw) {
  textureList_ = uvw;
  const void *list = textureList_.data();
  std::memcpy(state_ + 248, &list, sizeof list);
}

void HostRecords::clearTextureList() {
  const void *list = nullptr;
  std::memcpy(state_ + 248, &list, sizeof list);
}

void fillMandelbrotFullView(HostRecords &records, int32_t iterations) {
  records.set<float>(0, -2.0f);
  records.set<float>(4, 1.0f);
  records.set<float>(8, 1.5f);
  records.set<float>(12, -1.5f);
  records.set<int32_t>(16, iterations);
  records.set<int32_t>(20, 0);
}

void *RecordingHost::handle(void *context, void *, void *param, int) {
  auto *self = static_cast<RecordingHost *>(context);
  const auto offset =
      static_cast<size_t>(static_cast<unsigned char *>(param) - static_cast<unsigned char *>(self->records_.block()));
  std::lock_guard lock(self->mutex_);
  self->requests_.push_back(offset);
  auto found = self->answers_.find(offset);
  if (found == self->answers_.end())
    return nullptr;
  if (!self->reuseBuffer_)
    return found->second.data();
  std::memcpy(self->scratch_, found->second.data(), found->second.size());
  return self->scratch_;
}

Plugin::Plugin(const std::string &shaderName) : library(pluginPath(shaderName)) {
  if (!library.loaded())
    throw std::runtime_error("cannot load plug-in " + shaderName + ": " + library.error());
  shade = library.symbol<ShaderEntry>(shaderName.c_str());
  init = library.symbol<InitEntry>((shaderName + "_init").c_str());
  exit = library.symbol<ExitEntry>((shaderName + "_exit").c_str());
  version = library.symbol<VersionEntry>((shaderName + "_version").c_str());
  setModuleHandle = library.symbol<SetModuleHandle>("miSetModuleHandle");
  if (!shade || !init || !exit || !version || !setModuleHandle)
    throw std::runtime_error("plug-in " + shaderName + " lacks one of its five entries");
}

StandInHost::StandInHost(const std::string &name) : library(testHostPath(name)) {
  if (!library.loaded())
    throw std::runtime_error("cannot load test host " + name + ": " + library.error());
  setHandler = library.symbol<SetHandler>("qzTestHostSetHandler");
  phenEvalCalls = library.symbol<long (*)()>("qzTestHostPhenEvalCalls");
  id = library.symbol<int (*)()>("qzTestHostId");
}

Plugin &plugin(const std::string &shaderName) {
  static std::map<std::string, std::unique_ptr<Plugin>> loaded;
  auto &slot = loaded[shaderName];
  if (!slot)
    slot = std::make_unique<Plugin>(shaderName);
  return *slot;
}

StandInHost &standInHost(const std::string &name) {
  static std::map<std::string, std::unique_ptr<StandInHost>> loaded;
  auto &slot = loaded[name];
  if (!slot)
    slot = std::make_unique<StandInHost>(name);
  return *slot;
}

} // namespace qztest
