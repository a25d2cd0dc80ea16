#!/bin/bash
# Writes small bitmap seeds for the bitmap fuzz target into OUTDIR: every
# depth and header the decoder reads, RLE8 and RLE4 with each escape, and a
# few hostile shapes. Uses ImageMagick's convert where it can write the
# format, and builds the rest byte by byte.
# Usage: tests/fuzz/seeds/bmp.sh OUTDIR
set -eu

out="${1:?usage: bmp.sh OUTDIR}"
mkdir -p "$out"

# Little-endian fields and hex strings ("ff 00 7f") as raw bytes.
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
hex() { printf "$(printf '%s' "$1" | tr -d ' \n' | sed 's/\(..\)/\\x\1/g')"; }

# bitmap FILE WIDTH HEIGHT BPP COMPRESSION PALETTE_HEX PIXELS_HEX
# A BITMAPINFOHEADER file; a negative height is top-down.
bitmap() {
  local file="$1" width="$2" height="$3" bpp="$4" compression="$5" palette="$6" pixels="$7"
  local packed_palette="${palette// /}" packed_pixels="${pixels// /}"
  local palette_bytes=$((${#packed_palette} / 2)) pixel_bytes=$((${#packed_pixels} / 2))
  local offset=$((14 + 40 + palette_bytes))
  {
    printf BM
    le32 $((offset + pixel_bytes)); le32 0; le32 "$offset"
    le32 40; le32 "$width"; le32 "$height"; le16 1; le16 "$bpp"; le32 "$compression"
    le32 "$pixel_bytes"; le32 2835; le32 2835; le32 $((palette_bytes / 4)); le32 0
    hex "$palette"
    hex "$pixels"
  } > "$out/$file"
}

# Palette: white, red, green, blue.
pal4="ffffff00 0000ff00 00ff0000 ff000000"

if command -v convert > /dev/null; then
  picture="-size 13x7 plasma:fractal -seed 1"
  convert $picture -type bilevel BMP3:"$out/depth1.bmp"
  convert $picture -colors 16 -type palette -compress none BMP3:"$out/depth4.bmp"
  convert $picture -colors 200 -type palette -compress none BMP3:"$out/depth8.bmp"
  convert $picture -colors 200 -type palette -compress RLE BMP3:"$out/rle8_convert.bmp"
  convert $picture -define bmp:subtype=RGB565 BMP:"$out/depth16_565_v5.bmp"
  convert $picture -type truecolor BMP3:"$out/depth24.bmp"
  convert $picture -alpha on -define bmp:format=bmp4 BMP:"$out/depth32_v4.bmp"
  convert $picture -type truecolor BMP2:"$out/core24.bmp"
  convert $picture -colors 16 -type palette BMP2:"$out/core_palette.bmp"
fi

# Depths convert does not write, and top-down rows.
bitmap depth16_555.bmp 2 2 16 0 "" "007c e03d  1f00 ff7f"
bitmap depth32_rgb.bmp 2 1 32 0 "" "010203ff 0a0b0c00"
bitmap topdown24.bmp 3 -2 24 0 "" "0000ff 00ff00 ff0000 000000  ffffff 808080 404040 000000"
bitmap topdown8.bmp 2 -2 8 0 "$pal4" "0102 0000 0300 0000"
bitmap short_palette.bmp 4 1 8 0 "0000ff00" "00010203"

# RLE8: encoded and absolute runs (odd and even), delta, end of line and of
# bitmap, and what follows the end.
bitmap rle8_escapes.bmp 6 4 8 1 "$pal4" \
  "0301 0000  0003 020301 00  0002 0101  0203 0000  0004 01020301 0001  0502"
# RLE4: alternating nibbles, absolute runs that need and do not need a pad.
bitmap rle4_escapes.bmp 8 3 4 2 "$pal4" \
  "0312 0005 231230 00 0000  0004 3210 0221 0000  0002 0200 0113 0001"
# Hostile runs: past the right edge, a delta beyond the top, no end marker.
bitmap rle8_hostile.bmp 4 3 8 1 "$pal4" "ff01 0203 0000  0005 0102030102 00  0000  0102 0002 ff00 0103 0002 00ff 0101"
bitmap rle4_truncated.bmp 5 2 4 2 "$pal4" "ff12 0000 0040 12"
# A header that claims a huge RLE picture with almost no data.
bitmap rle8_huge_claim.bmp 4096 4096 8 1 "$pal4" "0201 0001"
