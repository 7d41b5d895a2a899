#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, QZ_FUZZ_SECONDS each (30 by
# default), starting from its seed corpus in fuzz/corpus/<target>. Inputs
# the fuzzer finds go to build/fuzz/runs/<target>/corpus, never into the
# repository. An input that crashes a target, trips a sanitizer or hangs is
# kept there as crash-*, leak-* or timeout-* and fails the run; add it to
# fuzz/regressions/<target>/ once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
seconds="${QZ_FUZZ_SECONDS:-30}"
cmake --preset fuzz
cmake --build --preset fuzz

runs=build/fuzz/runs
rm -rf "$runs"
status=0
printf '%-28s %12s %10s %8s %8s %s\n' target executions exec/s cov ft result
for seeds in fuzz/corpus/*/; do
  target=$(basename "$seeds")
  out="$runs/$target"
  mkdir -p "$out/corpus"
  result=ok
  # -timeout: any single input that runs this long counts as a hang.
  if ! "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$out/" "$out/corpus" "$seeds" >"$out/log" 2>&1; then
    result="FAILED (see $out/log)"
    status=1
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out/log")
  last=$(grep -E '^#[0-9]+' "$out/log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  printf '%-28s %12s %10s %8s %8s %s\n' "$target" "${executions:--}" "${rate:--}" "${cov:--}" "${ft:--}" "$result"
done
exit $status
