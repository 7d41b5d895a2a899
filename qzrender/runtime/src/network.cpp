// Loading a network: open the libraries, find and check each shader's
// entries, lay out records and blocks, and run the init entries.
#include "qzhost/network.h"

#include <algorithm>
#include <dlfcn.h>

#include <cstring>

#include "module_handle.h"
#include "network_checks.h"
#include "network_state.h"

namespace qzhost {
namespace {

template <typename F> F entryOf(void *library, const std::string &name) {
  return reinterpret_cast<F>(dlsym(library, name.c_str()));
}

bool openLibraries(const NetworkDescription &description, NetworkState &state, LoadError *error) {
  void *const runtime = runtimeModuleHandle();
  for (size_t i = 0; i < description.libraries.size(); ++i) {
    const std::string &path = description.libraries[i];
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char *reason = dlerror();
      *error = LoadError{LoadError::Subject::Library, static_cast<int>(i), -1,
                         "cannot load \"" + path + "\": " + (reason ? reason : "unknown reason")};
      return false;
    }
    state.libraries.push_back({path, handle});
    if (auto setModuleHandle = entryOf<SetModuleHandleEntry>(handle, "miSetModuleHandle"))
      setModuleHandle(runtime);
  }
  return true;
}

// The first linked library that exports the shader, in link order.
const LoadedLibrary *libraryExporting(const NetworkState &state, const std::string &shader) {
  for (const LoadedLibrary &library : state.libraries)
    if (dlsym(library.handle, shader.c_str()) != nullptr)
      return &library;
  return nullptr;
}

bool bindEntries(const NetworkDescription &description, NetworkState &state, LoadError *error) {
  for (size_t i = 0; i < description.instances.size(); ++i) {
    const InstanceDescription &instance = description.instances[i];
    auto fail = [&](std::string message) {
      *error = LoadError{LoadError::Subject::Instance, static_cast<int>(i), -1, std::move(message)};
      return false;
    };
    const LoadedLibrary *library = libraryExporting(state, instance.shader);
    if (library == nullptr)
      return fail("no linked library exports the shader \"" + instance.shader + "\"");
    auto version = entryOf<VersionEntry>(library->handle, instance.shader + "_version");
    if (version == nullptr)
      return fail("\"" + library->path + "\" exports \"" + instance.shader + "\" but not \"" + instance.shader +
                  "_version\"");
    const int32_t libraryVersion = version();
    if (libraryVersion != instance.declaredVersion)
      return fail("version mismatch: \"" + instance.shader + "\" in \"" + library->path + "\" is version " +
                  std::to_string(libraryVersion) + ", its declaration says " +
                  std::to_string(instance.declaredVersion));
    state.instances[i].entry = entryOf<ShaderEntry>(library->handle, instance.shader);
  }
  return true;
}

// Parameter blocks are padded to at least this many 32-bit words.
constexpr size_t kBlockFloorWords = 64;

// Block, then the tag area at a ghost offset of the (padded) block's size.
void layOut(const NetworkDescription &description, NetworkState &state) {
  for (size_t i = 0; i < description.instances.size(); ++i) {
    const InstanceDescription &instance = description.instances[i];
    HostInstance &host = state.instances[i];
    size_t blockSize = 0;
    for (const ParameterDescription &parameter : instance.parameters)
      blockSize += valueSize(parameter.type);
    const size_t words = blockSize / 4;
    // A library whose real block is longer than its declaration says would
    // read past a block of the declared size. Padding block and tag area
    // with zeros to a floor makes such reads see zeros (own values of 0,
    // invalid input to this project's shaders) instead of other memory.
    const size_t paddedWords = std::max(words, kBlockFloorWords);
    state.storage[i] = std::make_unique<uint32_t[]>(2 * paddedWords + 1);
    state.textureSpaceWords[i].assign(words + 1, 0);
    auto *block = reinterpret_cast<unsigned char *>(state.storage[i].get());

    bool connected = false;
    size_t offset = 0;
    for (const ParameterDescription &parameter : instance.parameters) {
      const int32_t tag = parameter.connection >= 0 ? connectionTag(parameter.connection) : kOwnValueTag;
      std::memcpy(block + offset, parameter.value.data(), valueSize(parameter.type));
      std::memcpy(block + paddedWords * 4 + offset, &tag, sizeof tag);
      state.textureSpaceWords[i][offset / 4] = parameter.textureSpace ? 1 : 0;
      connected = connected || parameter.connection >= 0;
      offset += valueSize(parameter.type);
    }
    host.record.ghostOffset = static_cast<int32_t>(paddedWords * 4);
    host.record.ghostFlag = connected ? 1 : 0;
    host.record.instance = &host;
    host.result = instance.result;
    host.block = block;
    host.blockSize = static_cast<uint32_t>(blockSize);
    host.textureSpaceWords = state.textureSpaceWords[i].data();
  }
}

// Instances the root's result depends on, in index order.
std::vector<int> reachableFromRoot(const NetworkDescription &description) {
  std::vector<char> seen(description.instances.size(), 0);
  std::vector<int> pending{description.root};
  seen[description.root] = 1;
  while (!pending.empty()) {
    const int at = pending.back();
    pending.pop_back();
    for (const ParameterDescription &parameter : description.instances[at].parameters)
      if (parameter.connection >= 0 && !seen[parameter.connection]) {
        seen[parameter.connection] = 1;
        pending.push_back(parameter.connection);
      }
  }
  std::vector<int> reachable;
  for (size_t i = 0; i < seen.size(); ++i)
    if (seen[i])
      reachable.push_back(static_cast<int>(i));
  return reachable;
}

// Once per shader with a null block; once per instance if the shader's
// init entry asks for it through its flag.
void initialise(const NetworkDescription &description, NetworkState &state) {
  for (int index : reachableFromRoot(description)) {
    const std::string &shader = description.instances[index].shader;
    ShaderLifecycle *lifecycle = nullptr;
    for (ShaderLifecycle &known : state.shaders)
      if (known.name == shader)
        lifecycle = &known;
    if (lifecycle == nullptr) {
      const LoadedLibrary *library = libraryExporting(state, shader);
      state.shaders.push_back({shader,
                               entryOf<InitEntry>(library->handle, shader + "_init"),
                               entryOf<ExitEntry>(library->handle, shader + "_exit"),
                               false,
                               {}});
      lifecycle = &state.shaders.back();
    }
    lifecycle->instances.push_back(index);
  }
  for (ShaderLifecycle &shader : state.shaders) {
    if (shader.init == nullptr)
      continue;
    RenderState lifecycleState;
    prepareLifecycleState(lifecycleState, state.instances[shader.instances.front()]);
    int32_t perInstance = 0;
    shader.init(&lifecycleState, nullptr, &perInstance);
    shader.perInstance = perInstance != 0;
    if (!shader.perInstance)
      continue;
    for (int index : shader.instances) {
      prepareLifecycleState(lifecycleState, state.instances[index]);
      int32_t ignored = 0;
      shader.init(&lifecycleState, state.instances[index].block, &ignored);
    }
  }
  state.initialised = true;
}

// Exit entries in the reverse order of the init calls, then the libraries.
void release(NetworkState &state) {
  if (state.initialised) {
    for (auto shader = state.shaders.rbegin(); shader != state.shaders.rend(); ++shader) {
      if (shader->exit == nullptr)
        continue;
      RenderState lifecycleState;
      if (shader->perInstance)
        for (auto index = shader->instances.rbegin(); index != shader->instances.rend(); ++index) {
          prepareLifecycleState(lifecycleState, state.instances[*index]);
          shader->exit(&lifecycleState, state.instances[*index].block);
        }
      prepareLifecycleState(lifecycleState, state.instances[shader->instances.front()]);
      shader->exit(&lifecycleState, nullptr);
    }
    state.initialised = false;
  }
  for (auto library = state.libraries.rbegin(); library != state.libraries.rend(); ++library)
    dlclose(library->handle);
  state.libraries.clear();
}

} // namespace

void prepareLifecycleState(RenderState &state, const HostInstance &instance) {
  std::memset(&state, 0, sizeof state);
  state.shader = &instance.record;
}

std::unique_ptr<Network> Network::load(const NetworkDescription &description, LoadError *error) {
  if (!checkNetwork(description, error))
    return nullptr;
  auto state = std::make_unique<NetworkState>();
  state->instances.resize(description.instances.size());
  state->storage.resize(description.instances.size());
  state->textureSpaceWords.resize(description.instances.size());
  state->root = description.root;
  state->textureSpaces = textureSpacesNeeded(description);
  if (!openLibraries(description, *state, error) || !bindEntries(description, *state, error)) {
    release(*state);
    return nullptr;
  }
  layOut(description, *state);
  initialise(description, *state);
  return std::unique_ptr<Network>(new Network(std::move(state)));
}

Network::Network(std::unique_ptr<NetworkState> state) : state_(std::move(state)) {}

Network::~Network() { release(*state_); }

ValueType Network::resultType() const { return state_->instances[state_->root].result; }

int Network::textureSpaces() const { return state_->textureSpaces; }

} // namespace qzhost
