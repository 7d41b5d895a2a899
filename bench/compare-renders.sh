#!/usr/bin/env bash
# Renders the full view (left -2, right 1, bottom -1.5, top 1.5) at one sample
# per pixel with qzrender (qzFractalMandelbrot into qzFractalColorizerArea5,
# the five-band ramp at its defaults) and, side by side in one hyperfine run
# per budget, with:
#   plain       bench/plain_render.cpp --no-ramp: the plain loop alone
#   plain+ramp  bench/plain_render.cpp: the plain loop and the same ramp inline
#   G'MIC       gmic's `mandelbrot` command (iteration counts, one channel)
#   POV-Ray     povray's `mandel` pattern on a plane under an orthographic camera
# each on the same rectangle, at the same budget and size, with as many
# threads. Prints one table of medians and of each one's time over
# qzrender's, then qzrender's speed-up from 1 thread to THREADS.
#
#   bench/compare-renders.sh [--size PIXELS] [--threads N] [--runs N] [--budgets "100 1000 5000"]
#
# Threading: qzrender -t N; the plain renderers N threads taking rows from a
# shared counter; G'MIC through OpenMP (OMP_NUM_THREADS=N); POV-Ray +WT N.
# Every tool writes its picture to a temporary folder, in the format that
# costs it least: qzrender's QZ_OUTPUT_EXTENSION (tif), the others PPM/PGM.
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
qzrender="${QZRENDER:-$build/qzrender/qzrender}"
if [ ! -x "$qzrender" ]; then
  echo "$0: no qzrender at $qzrender (set QZRENDER to its path)" >&2
  exit 1
fi
extension="${QZ_OUTPUT_EXTENSION:-tif}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The scene qzrender renders: the README's network with the ramp's defaults.
write_scene() { # budget file
  cat >"$2" <<EOF
link "qzFractalMandelbrot.so"
link "qzFractalColorizerArea5.so"
\$include "qzFractalMandelbrot.mi"
\$include "qzFractalColorizerArea5.mi"
shader "fractal" "qzFractalMandelbrot" (
    "left" -2, "right" 1, "bottom" -1.5, "top" 1.5, "iterations" $1, "texSpace" 0
)
shader "palette" "qzFractalColorizerArea5" ( "value" = "fractal" )
EOF
}

# POV-Ray: the plane z = 0 seen square on, x from -2 to 1 and y from -1.5 to
# 1.5, lit by its own colour only, the ramp's colours on the pattern.
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

qzrender_command() { # budget threads
  echo "$qzrender $work/full-$1.mi -o $work/qzrender.$extension --res $size $size -t $2 --quiet -L $build/plugins -I $build/declarations"
}

# median of the command named $2 in hyperfine's CSV $1
median() { awk -F, -v name="$2" 'NR > 1 && $1 == name { print $4 }' "$1"; }

cpu="$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)"
echo "machine: $cpu, $(nproc) cores, $(free -g | awk '/Mem:/ { print $2 }') GiB; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "full view, ${size}x${size}, 1 sample per pixel, $threads threads, median of $runs runs after 1 warm-up"

results=()
for budget in $budgets; do
  write_scene "$budget" "$work/full-$budget.mi"
  write_povray_scene "$budget" "$work/mandel-$budget.pov"
  hyperfine -N --style none --runs "$runs" --warmup 1 --export-csv "$work/$budget.csv" \
    -n qzrender "$(qzrender_command "$budget" "$threads")" \
    -n plain "$plain --no-ramp $size $size $budget $threads $work/plain.pgm" \
    -n plain+ramp "$plain $size $size $budget $threads $work/plain-ramp.ppm" \
    -n gmic "env OMP_NUM_THREADS=$threads gmic -v -1 $size,$size,1,1 mandelbrot -2,-1.5,1,1.5,$budget -o $work/gmic.pgm" \
    -n povray "povray +I$work/mandel-$budget.pov +O$work/povray.ppm +FP +W$size +H$size -A +WT$threads -D -V -GA" \
    >/dev/null
  results+=("$budget")
done

scaling_budget=1000
write_scene "$scaling_budget" "$work/full-$scaling_budget.mi"
hyperfine -N --style none --runs "$runs" --warmup 1 --export-csv "$work/threads.csv" \
  -n one "$(qzrender_command "$scaling_budget" 1)" \
  -n all "$(qzrender_command "$scaling_budget" "$threads")" >/dev/null

echo
printf '| %10s | %9s | %16s | %16s | %16s | %16s |\n' iterations "qzrender" "plain loop" "plain + ramp" "G'MIC" "POV-Ray"
printf '|%s|%s|%s|%s|%s|%s|\n' "------------:" "----------:" "-----------------:" "-----------------:" "-----------------:" "-----------------:"
for budget in "${results[@]}"; do
  csv="$work/$budget.csv"
  q="$(median "$csv" qzrender)"
  row="$(printf '| %10s | %8.3fs |' "$budget" "$q")"
  for name in plain plain+ramp gmic povray; do
    t="$(median "$csv" "$name")"
    row+="$(awk -v t="$t" -v q="$q" 'BEGIN { printf " %7.3fs %6.2fx |", t, t / q }')"
  done
  echo "$row"
done
one="$(median "$work/threads.csv" one)"
all="$(median "$work/threads.csv" all)"
echo
awk -v one="$one" -v all="$all" -v n="$threads" -v b="$scaling_budget" \
  'BEGIN { printf "qzrender at %d iterations: 1 thread %.3fs, %d threads %.3fs: %.2fx\n", b, one, n, all, one / all }'
echo "(a ratio is that tool's median time over qzrender's: above 1, qzrender is faster)"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
