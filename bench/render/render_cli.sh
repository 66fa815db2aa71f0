#!/usr/bin/env bash
# Times `tavlo render` end to end (decode, compose, 4000 x 4000 with 16 smoothing passes, crop,
# PNG) on the software renderer. Usage: bench/render/render_cli.sh [build-dir]
set -euo pipefail
BUILD=${1:-build}
TAVLO=$BUILD/src/cli/tavlo
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
convert -size 1000x1500 gradient:firebrick-navy "$WORK/front.jpg"
convert -size 60x1500 xc:navy "$WORK/side.bmp"
export LIBGL_ALWAYS_SOFTWARE=1
for type in "Book Cover" "CD Cover"; do
  echo "== $type, 4000x4000, 16 passes"
  time "$TAVLO" render --front "$WORK/front.jpg" --side "$WORK/side.bmp" --type "$type" \
    --size 4000x4000 --smooth --passes 16 -o "$WORK/out.png"
done
