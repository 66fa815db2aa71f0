#!/usr/bin/env bash
# `tavlo batch` throughput at -j 1 and -j 2: 100 renders at 800 x 600. Goal: -j 2 at least 1.7
# times as fast as -j 1 on two free cores. Usage: bench/project/batch_scaling.sh [BUILD_DIR] [ROWS]
set -euo pipefail
build=${1:-build}
rows=${2:-100}
tavlo=$(realpath "$build/src/cli/tavlo")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 600x900 gradient:red-blue "$work/front.png"
convert "$work/front.png" "$work/front.bmp"
convert -size 90x900 gradient:yellow-green "$work/side.bmp"
{
  echo "output,front,side,type,size"
  for i in $(seq 1 "$rows"); do echo "out/$i.png,front.bmp,side.bmp,$((i % 8)),800x600"; done
} > "$work/jobs.csv"
# Each worker's llvmpipe gets cores / workers threads (LP_NUM_THREADS), so the two runs differ
# only in how many renders run at once. Others busy on the machine skew both; the load shows it.
echo "cores: $(nproc); load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A took
for j in 1 2; do
  rm -rf "$work/out"
  start=$(date +%s.%N)
  "$tavlo" batch "$work/jobs.csv" -j "$j" --force > /dev/null
  took[$j]=$(echo "$(date +%s.%N) - $start" | bc -l)
  printf -- "-j %d: %d renders in %.1f s (%.2f renders/s)\n" "$j" "$rows" "${took[$j]}" "$(echo "$rows / ${took[$j]}" | bc -l)"
done
printf "speed-up -j 2 / -j 1: %.2f (load average now: %s)\n" "$(echo "${took[1]} / ${took[2]}" | bc -l)" "$(cut -d' ' -f1-3 /proc/loadavg)"
