#!/usr/bin/env bash
# Renders the full view (left -2, right 1, bottom -1.5, top 1.5) at one sample
# per pixel with qzrender (bench/full_view.mi: qzFractalMandelbrot into
# qzFractalColorizerArea5, the five-band ramp at its defaults) and, side by
# side in one hyperfine run per budget, with:
#   plain       bench/plain_render.cpp --no-ramp: the plain loop alone
#   plain+ramp  bench/plain_render.cpp: the plain loop and the same ramp inline
#   G'MIC       gmic's `mandelbrot` command (iteration counts, one channel)
#   POV-Ray     povray's `mandel` pattern on a plane under an orthographic camera
# each on the same rectangle, at the same budget and size, with as many
# threads. Then qzrender alone at 1 thread and at THREADS.
#
#   bench/compare-renders.sh [--size PIXELS] [--threads N] [--runs N] [--budgets "100 1000 5000"]
#
# Threading: qzrender -t N; the plain renderers N threads taking rows from a
# shared counter, as qzrender's do; G'MIC through OpenMP (OMP_NUM_THREADS=N);
# POV-Ray +WT N. Every tool writes its picture to a temporary folder, in the
# format that costs it least: qzrender and the plain renderers a float PFM
# (the same bytes for the same picture), G'MIC a PGM, POV-Ray a PPM.
#
# Two times per command: the whole command as a user runs it (hyperfine's
# median), and, for qzrender and the plain renderers, the seconds their
# pixels took as they report them (median over the same runs): start-up and
# image output cost the same at every budget and hide what a sample costs.
# Ratios are the other command's time over qzrender's: above 1, qzrender is
# faster.
#
# Installs hyperfine, gmic and povray first when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

size=2048
threads=2
runs=5
budgets="100 1000 5000"
while [ $# -gt 0 ]; do
  case "$1" in
  --size) size="$2"; shift 2 ;;
  --threads) threads="$2"; shift 2 ;;
  --runs) runs="$2"; shift 2 ;;
  --budgets) budgets="$2"; shift 2 ;;
  *) echo "usage: $0 [--size PIXELS] [--threads N] [--runs N] [--budgets \"100 1000 5000\"]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh --bench
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

build=build/bench
plain="$build/bench/qzplain_render"
qzrender="${QZRENDER:-$build/bin/qzrender}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# POV-Ray: the plane z = 0 seen square on, x from -2 to 1 and y from -1.5 to
# 1.5, lit by its own colour only, a few of the ramp's colours on the pattern.
write_povray_scene() { # budget file
  cat >"$2" <<EOF
#version 3.7;
global_settings { assumed_gamma 1.0 }
camera { orthographic location <-0.5, 0, -1> look_at <-0.5, 0, 0> right x*3 up y*3 }
plane { z, 0
  pigment { mandel $1 color_map { [0 rgb <0, 0.03, 0.2>] [0.1 rgb <0.1, 0.35, 0.75>] [0.2 rgb <1, 0.9, 0.55>] [1 rgb <0, 0, 0>] } }
  finish { ambient 1 diffuse 0 }
}
EOF
}

# Runs that report their pixel time append it to $work/NAME.log.
qzrender_command() { # budget threads log
  echo "$qzrender bench/full_view.mi --param fractal.iterations=$1 -o $work/qzrender.pfm --res $size $size -t $2" \
    "-L $build/plugins -I $build/declarations >>$work/$3.log"
}
plain_command() { # option budget output log
  echo "$plain $1 $size $size $2 $threads $work/$3 >>$work/$4.log"
}

median_of() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# hyperfine's median for the command named $2 in the CSV $1
whole() { awk -F, -v name="$2" 'NR > 1 && $1 == name { print $4 }' "$1"; }
# the median of the pixel seconds reported in $work/$1.log, warm-up left out
pixels() { sed -n 's/.* \([0-9.]*\) s, [0-9]* samples\/s$/\1/p' "$work/$1.log" | tail -n +2 | median_of; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }

cpu="$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)"
echo "machine: $cpu, $(nproc) cores, $(free -g | awk '/Mem:/ { print $2 }') GiB; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "full view, ${size}x${size}, 1 sample per pixel, $threads threads, medians of $runs runs after 1 warm-up"

for budget in $budgets; do
  write_povray_scene "$budget" "$work/mandel-$budget.pov"
  hyperfine --style none --runs "$runs" --warmup 1 --export-csv "$work/$budget.csv" \
    -n qzrender "$(qzrender_command "$budget" "$threads" "qzrender-$budget")" \
    -n plain "$(plain_command --no-ramp "$budget" plain.pfm "plain-$budget")" \
    -n plain+ramp "$(plain_command "" "$budget" plain-ramp.pfm "plain+ramp-$budget")" \
    -n gmic "OMP_NUM_THREADS=$threads gmic -v -1 $size,$size,1,1 mandelbrot -2,-1.5,1,1.5,$budget -o $work/gmic.pgm" \
    -n povray "povray +I$work/mandel-$budget.pov +O$work/povray.ppm +FP +W$size +H$size -A +WT$threads -D -V -GA" \
    >/dev/null
  # Same arithmetic, same picture: the plain renderer's colours must equal
  # qzrender's to the bit, and both PFMs hold RGB, bottom row first.
  if ! cmp -s "$work/qzrender.pfm" "$work/plain-ramp.pfm"; then
    echo "$0: at $budget iterations the plain renderer's picture differs from qzrender's" >&2
    exit 1
  fi
done

scaling_budget=1000
hyperfine --style none --runs "$runs" --warmup 1 --export-csv "$work/threads.csv" \
  -n one "$(qzrender_command "$scaling_budget" 1 threads-1)" \
  -n all "$(qzrender_command "$scaling_budget" "$threads" "threads-$threads")" >/dev/null

echo
echo "| iterations | qzrender: command, pixels | plain loop: command, pixels | ratios | plain + ramp: command, pixels | ratios | G'MIC: command | ratio | POV-Ray: command | ratio |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
for budget in $budgets; do
  csv="$work/$budget.csv"
  qw="$(whole "$csv" qzrender)" qp="$(pixels "qzrender-$budget")"
  row="| $budget | $(printf '%.3f s, %.3f s' "$qw" "$qp")"
  for name in plain plain+ramp; do
    w="$(whole "$csv" "$name")" p="$(pixels "$name-$budget")"
    row+=" | $(printf '%.3f s, %.3f s' "$w" "$p") | $(ratio "$w" "$qw"), $(ratio "$p" "$qp")"
  done
  for name in gmic povray; do
    w="$(whole "$csv" "$name")"
    row+=" | $(printf '%.3f s' "$w") | $(ratio "$w" "$qw")"
  done
  echo "$row |"
done
echo
one="$(pixels threads-1)" all="$(pixels "threads-$threads")"
echo "qzrender at $scaling_budget iterations, 1 thread against $threads:" \
  "command $(printf '%.3f s against %.3f s' "$(whole "$work/threads.csv" one)" "$(whole "$work/threads.csv" all)")," \
  "pixels $one s against $all s: $(ratio "$one" "$all") faster"
echo "qzrender's picture equals the plain renderer's (RGB, bit for bit) at every budget"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
