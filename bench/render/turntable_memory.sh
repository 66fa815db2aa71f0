#!/usr/bin/env bash
# Peak memory of `tavlo render --turntable 36` at 3000 and 6000 pixels wide, plain and smoothed,
# beside what the program says a turntable needs beyond the memory it holds before it starts
# (read from its refusal under a small data limit) and the program's own base (a tiny turntable).
# Frames are written as they are drawn, so the peak follows the size of one frame.
# Usage: bench/render/turntable_memory.sh [build-dir]   (a 6000-wide smoothed turn takes minutes)
set -euo pipefail
BUILD=${1:-build}
TAVLO=$(realpath "$BUILD/src/cli/tavlo")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
convert -size 1000x1500 gradient:firebrick-navy front.jpg
convert -size 60x1500 xc:navy side.bmp
export LIBGL_ALWAYS_SOFTWARE=1
turn() { "$TAVLO" render --front front.jpg --side side.bmp --type "Book Cover" --turntable 36 "$@"; }
# Runs a turntable; sets SECONDS_TAKEN and PEAK_KB.
measure() {
  /usr/bin/time -f "%e %M" -o time.txt "$TAVLO" render --front front.jpg --side side.bmp --type "Book Cover" \
    --turntable 36 "$@" -o turn.gif >/dev/null
  read -r SECONDS_TAKEN PEAK_KB < time.txt
}
measure --size 60x40
BASE_KB=$PEAK_KB
echo "base (a 60-pixel turntable): $((BASE_KB / 1024)) MB"
for width in 3000 6000; do
  for smooth in "" --smooth; do
    need=$( (ulimit -d 150000; turn --size ${width}x2250 $smooth -o refused.gif 2>&1 || true) |
      grep -o "needs about [0-9]* MB" || echo "needs ?")
    measure --size ${width}x2250 $smooth
    echo "$width wide ${smooth:-plain}: ${SECONDS_TAKEN} s, peak $((PEAK_KB / 1024)) MB" \
      "= base + $(( (PEAK_KB - BASE_KB) / 1024 )) MB; the program $need beyond its base;" \
      "file $(( $(stat -c %s turn.gif) / 1048576 )) MB"
  done
done
