#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, QZ_FUZZ_SECONDS each (30 by
# default), as many at once as the machine has cores (QZ_FUZZ_JOBS), each
# starting from its seed corpus in fuzz/corpus/<target>, and says
# how many inputs it ran and what they covered: libFuzzer's edge count, and
# the lines and branches reached in the sources the target is about.
#
# Inputs the fuzzer finds go to build/fuzz/runs/<target>/corpus, never into
# the repository. An input that crashes a target, trips a sanitizer or hangs
# is kept there as crash-*, leak-* or timeout-* and fails the run; once it is
# fixed, add it to fuzz/regressions/<target>/, where every test run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
seconds="${QZ_FUZZ_SECONDS:-30}"
cmake --preset fuzz
cmake --build --preset fuzz

runs=build/fuzz/runs
rm -rf "$runs"
mkdir -p "$runs"
summary="$runs/summary.txt"

# Fuzzes one target and writes its row of the summary to $runs/<target>/row;
# fails when the target failed.
fuzz_target() {
  local target=$1
  local seeds="fuzz/corpus/$target/"
  local out="$runs/$target"
  mkdir -p "$out/corpus"
  local result=ok status=0
  # -timeout: any single input that runs this long counts as a hang. Each
  # instrumented module writes its own profile when the run ends.
  if ! LLVM_PROFILE_FILE="$out/%m.profraw" "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" "$seeds" >"$out/log" 2>&1; then
    result="FAILED (see $out/log)"
    status=1
  fi
  local executions rate edges
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out/log")
  edges=$(grep -E '^#[0-9]+' "$out/log" | tail -1 | sed -n 's/.* cov: \([0-9]*\).*/\1/p') || true # none when the target failed at once

  # Line and branch coverage of the target's focus (TOTAL of the report
  # restricted to it); the whole modules' report goes to coverage.txt.
  local lines=- branches=-
  if compgen -G "$out/*.profraw" >/dev/null; then
    local modules focus module total
    { read -r modules; read -r focus; } <"build/fuzz/fuzz/$target.coverage"
    # The first module stands alone, any further ones follow -object.
    local objects=()
    for module in $modules; do objects+=(${objects[0]+-object} "$module"); done
    llvm-profdata-14 merge -sparse "$out"/*.profraw -o "$out/coverage.profdata"
    # A function inlined into two modules may carry two hashes; llvm-cov warns
    # and counts it once, so its warnings go with the report.
    llvm-cov-14 report "${objects[@]}" -instr-profile="$out/coverage.profdata" >"$out/coverage.txt" 2>&1
    # shellcheck disable=SC2086 # the focus is a list of paths
    total=$(llvm-cov-14 report "${objects[@]}" -instr-profile="$out/coverage.profdata" $focus 2>/dev/null |
      grep '^TOTAL')
    local cells
    read -r -a cells <<<"$total"
    # TOTAL regions missed cover functions missed executed lines missed cover branches missed cover
    lines="${cells[9]} of ${cells[7]}"
    branches="${cells[12]} of ${cells[10]}"
  fi
  printf '%-26s %11s %8s %6s %12s %12s  %s\n' "$target" "${executions:--}" "${rate:--}" "${edges:--}" \
    "$lines" "$branches" "$result" >"$out/row"
  return $status
}

# libFuzzer runs one input at a time, so the targets share the cores: as many
# at once as there are (QZ_FUZZ_JOBS), each still for its whole time.
jobs="${QZ_FUZZ_JOBS:-$(nproc)}"
targets=()
for seeds in fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
running=()
status=0
for target in "${targets[@]}"; do
  if [ ${#running[@]} -ge "$jobs" ]; then
    wait "${running[0]}" || status=1
    running=("${running[@]:1}")
  fi
  fuzz_target "$target" &
  running+=($!)
done
for pid in "${running[@]}"; do
  wait "$pid" || status=1
done

printf '%-26s %11s %8s %6s %12s %12s  %s\n' target executions exec/s edges "lines" "branches" result | tee "$summary"
for target in "${targets[@]}"; do
  cat "$runs/$target/row" 2>/dev/null || printf '%-26s  no result (see %s)\n' "$target" "$runs/$target/log"
done | tee -a "$summary"
exit $status
