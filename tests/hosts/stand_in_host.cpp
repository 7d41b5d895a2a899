// A stand-in for the renderer's host module, as far as the plug-ins' binding
// layer sees it: a shared library that exports mi_phen_eval. Tests load it,
// hand its module handle to a plug-in's miSetModuleHandle, and decide what
// its mi_phen_eval does through qzTestHostSetHandler.
//
// Built more than once: QZ_TEST_HOST_ID tells the copies apart, and a copy
// built with QZ_TEST_HOST_WITHOUT_PHEN_EVAL stands for a module that lacks
// the name.
#include <atomic>
#include <cstdint>

#if defined(_WIN32)
#define QZ_TEST_HOST_EXPORT extern "C" __declspec(dllexport)
#else
#define QZ_TEST_HOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using PhenEvalHandler = void *(*)(void *context, void *state, void *param, int hostId);

namespace {
std::atomic<PhenEvalHandler> handler{nullptr};
std::atomic<void *> handlerContext{nullptr};
std::atomic<long> phenEvalCalls{0};
} // namespace

QZ_TEST_HOST_EXPORT int qzTestHostId() { return QZ_TEST_HOST_ID; }

QZ_TEST_HOST_EXPORT void qzTestHostSetHandler(PhenEvalHandler newHandler, void *context) {
  handlerContext.store(context);
  handler.store(newHandler);
  phenEvalCalls.store(0);
}

QZ_TEST_HOST_EXPORT long qzTestHostPhenEvalCalls() { return phenEvalCalls.load(); }

#ifndef QZ_TEST_HOST_WITHOUT_PHEN_EVAL
QZ_TEST_HOST_EXPORT void *mi_phen_eval(void *state, void *param) {
  phenEvalCalls.fetch_add(1);
  PhenEvalHandler current = handler.load();
  return current ? current(handlerContext.load(), state, param, QZ_TEST_HOST_ID) : nullptr;
}
#endif
