#!/usr/bin/env bash
# Our GIF and JPEG writers beside ImageMagick and cjpeg on the corpus photos, in one run.
#   bench/imageio/compare.sh [BUILD_DIR]   (default: build)
# Times are CPU seconds (user + system, best of 3): on a shared machine wall time mostly measures
# the queue. Ours are measured in process by bench_imageio_writers (read the BMP, encode, write);
# the others are whole commands (read the PNG, encode, write). PSNR is against the source photo.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build}
CORPUS=${TAVLO_CORPUS_DIR:-$ROOT/../shared/corpus}
[ -d "$CORPUS/photo" ] || CORPUS=/work/shared/corpus
BENCH=$BUILD/bench/imageio/bench_imageio_writers
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT

cpu() { # cpu N COMMAND...: best of three CPU times of COMMAND, each the mean of N runs
  local best= n=$1 t
  shift
  for _ in 1 2 3; do
    /usr/bin/time -o "$OUT/time" -f "%U %S" bash -c 'n=$1; shift; for ((i = 0; i < n; i++)); do "$@" >/dev/null 2>&1; done; true' cpu "$n" "$@"
    t=$(awk -v n="$n" 'END {print ($1 + $2) / n}' "$OUT/time")
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{print $1}'; }

# Our timings: process CPU time per iteration, in milliseconds.
TAVLO_BENCH_OUT=$OUT "$BENCH" --benchmark_format=csv --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$OUT/ours.csv" --benchmark_out_format=csv >/dev/null 2>&1
ours_ms() { grep "^\"$1/process_time/real_time_median\"" "$OUT/ours.csv" | cut -d, -f4 | head -1; }

printf "%-40s %10s %10s %7s %9s %9s\n" "GIF photo" "ours ms" "IM ms" "ratio" "PSNR ours" "PSNR IM"
for png in "$CORPUS"/photo/*.png; do
  name=$(basename "$png" .png)
  ours=$(ours_ms "gif/$name")
  gif=$OUT/$name.ours.gif
  im=$(cpu 5 convert "$png" -dither FloydSteinberg -colors 256 "$OUT/$name.im.gif")
  convert "$png" -dither FloydSteinberg -colors 256 "$OUT/$name.im.gif"
  im_ms=$(awk "BEGIN{print $im * 1000}")
  printf "%-40s %10.1f %10.1f %7.2f %9s %9s\n" "$name" "$ours" "$im_ms" "$(awk "BEGIN{print $ours / $im_ms}")" \
    "$(psnr "$png" "$gif")" "$(psnr "$png" "$OUT/$name.im.gif")"
done

echo
printf "%-40s %10s %10s %7s %9s %9s\n" "JPEG photo" "ours ms" "cjpeg ms" "ratio" "PSNR ours" "PSNR cjpeg"
for png in "$CORPUS"/photo/*.png; do
  name=$(basename "$png" .png)
  ours=$(ours_ms "jpg/$name")
  jpg=$OUT/$name.ours.jpg
  convert "$png" "$OUT/$name.ppm"
  cj=$(cpu 40 cjpeg -quality 100 -outfile "$OUT/$name.cjpeg.jpg" "$OUT/$name.ppm")
  cjpeg -quality 100 -outfile "$OUT/$name.cjpeg.jpg" "$OUT/$name.ppm"
  cj_ms=$(awk "BEGIN{print $cj * 1000}")
  printf "%-40s %10.1f %10.1f %7.2f %9s %9s\n" "$name" "$ours" "$cj_ms" "$(awk "BEGIN{print $ours / $cj_ms}")" \
    "$(psnr "$png" "$jpg")" "$(psnr "$png" "$OUT/$name.cjpeg.jpg")"
done
