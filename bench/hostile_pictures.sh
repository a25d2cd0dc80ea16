#!/bin/sh
# Time and peak memory of decoding hostile pictures: headers that claim huge
# sizes and progressive JPEGs with hundreds of scans. Builds an optimised
# decoder into build-hostile/ at the top of the source tree and runs each
# file under /usr/bin/time -v.
# Usage: bench/hostile_pictures.sh
set -eu

root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-hostile"
mkdir -p "$out"

${CXX:-g++} -std=c++20 -O3 -DNDEBUG -I"$root/src" \
  "$root/bench/picture_cost.cpp" "$root/src/display/picture.cpp" "$root/src/display/packfile.cpp" \
  "$root/src/script/expression.cpp" "$root/src/script/variables.cpp" -ljpeg -o "$out/picture_cost"

cost="$out/picture_cost"
"$cost" jpeg 420 8192 8192 499 "$out/progressive420_8192_499scans.jpg"
"$cost" jpeg 420 4096 4096 101 "$out/progressive420_4096_101scans.jpg"
for kind in 420 444 gray; do
  "$cost" jpeg $kind 4096 4096 100 "$out/progressive${kind}_4096_100scans.jpg"
  "$cost" jpeg $kind 2048 2048 100 "$out/progressive${kind}_2048_100scans.jpg"
done
"$cost" bmp 8192 8192 24 0 0 "$out/header_8192_24bit.bmp"
"$cost" bmp 8192 8192 8 1 0 "$out/header_8192_rle8.bmp"
"$cost" bmp 4096 4096 8 1 0 "$out/header_4096_rle8.bmp"
"$cost" bmp 8192 8192 24 0 1 "$out/full_8192_24bit.bmp"

for f in "$out"/*.jpg "$out"/*.bmp; do
  /usr/bin/time -v "$cost" decode "$f" 2> "$out/time.txt"
  grep -E "User time|System time|Elapsed|Maximum resident" "$out/time.txt" | sed 's/^[[:space:]]*/    /'
done
