// What reading a parameter costs: the bound binding function of
// mi_phen_eval against a direct call of the same host function through a
// function pointer, and evaluateParameter for a parameter that holds its own
// value and for a connected one.
#include <benchmark/benchmark.h>

#include "bench_records.h"
#include "qzfractal/shader_frame.h"

namespace {

using HostFunction = void *(*)(miState *, void *);

// The binding layer linked into this program, bound to the bench host.
void bindToBenchHost() {
  miSetModuleHandle(qzbench::benchHost());
  qzbench::Records records;
  mi_phen_eval(records.renderState(), records.block()); // the first call looks the name up
}

void BM_BindingFunction(benchmark::State &state) {
  bindToBenchHost();
  qzbench::Records records;
  for (auto _ : state)
    benchmark::DoNotOptimize(mi_phen_eval(records.renderState(), records.block()));
}
BENCHMARK(BM_BindingFunction);

void BM_DirectCall(benchmark::State &state) {
  const auto host = qzbench::moduleSymbol<HostFunction>(qzbench::benchHost(), "mi_phen_eval");
  qzbench::Records records;
  for (auto _ : state)
    benchmark::DoNotOptimize(host(records.renderState(), records.block()));
}
BENCHMARK(BM_DirectCall);

enum Connection { kNoTags, kTaggedOwnValue, kConnected };

void BM_EvaluateParameter(benchmark::State &state) {
  bindToBenchHost();
  qzbench::Records records;
  records.set<float>(0, 0.5f);
  const auto connection = static_cast<Connection>(state.range(0));
  if (connection != kNoTags)
    records.setConnected(0, connection == kConnected);
  float sum = 0.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(records.block());
    sum += readParameter(records.renderState(), reinterpret_cast<const float *>(records.block()));
  }
  benchmark::DoNotOptimize(sum);
  state.SetLabel(connection == kNoTags           ? "own value, no tags"
                 : connection == kTaggedOwnValue ? "own value, tag 0"
                                                 : "connected");
}
BENCHMARK(BM_EvaluateParameter)->Arg(kNoTags)->Arg(kTaggedOwnValue)->Arg(kConnected);

} // namespace
