#!/bin/bash
# Writes small JPEG seeds for the JPEG fuzz target into OUTDIR: baseline and
# progressive, grey, CMYK, restart markers, odd sizes, and cut files. Needs
# ImageMagick's convert.
# Usage: tests/fuzz/seeds/jpeg.sh OUTDIR
set -eu

out="${1:?usage: jpeg.sh OUTDIR}"
mkdir -p "$out"
command -v convert > /dev/null || { echo "jpeg.sh: needs ImageMagick's convert" >&2; exit 1; }

picture="-size 48x32 plasma:fractal -seed 2"
convert $picture -quality 75 "$out/baseline420.jpg"
convert $picture -quality 90 -sampling-factor 1x1 "$out/baseline444.jpg"
convert $picture -quality 90 -sampling-factor 2x1 "$out/baseline422.jpg"
convert $picture -interlace JPEG -quality 80 "$out/progressive.jpg"
convert $picture -colorspace Gray -quality 80 "$out/gray.jpg"
convert $picture -colorspace Gray -interlace JPEG "$out/gray_progressive.jpg"
convert $picture -colorspace CMYK -quality 80 "$out/cmyk.jpg"
convert $picture -define jpeg:restart-interval=1 "$out/restart.jpg"
convert $picture -define jpeg:optimize-coding=true "$out/optimized.jpg"
convert -size 1x1 xc:red "$out/one_pixel.jpg"
convert -size 17x9 plasma:fractal -seed 3 -interlace JPEG "$out/odd_progressive.jpg"

# The same pictures without their end marker, and cut inside their data.
size=$(stat -c %s "$out/baseline420.jpg")
head -c $((size - 2)) "$out/baseline420.jpg" > "$out/no_end_marker.jpg"
head -c $((size * 2 / 3)) "$out/baseline420.jpg" > "$out/cut_baseline.jpg"
size=$(stat -c %s "$out/progressive.jpg")
head -c $((size * 2 / 3)) "$out/progressive.jpg" > "$out/cut_progressive.jpg"
