#!/bin/sh
# Writes seed inputs for tests/fuzz/packfile_fuzz.cpp into OUTDIR.
# Usage: tests/fuzz/seeds/packfile.sh OUTDIR [ZEPA_PACK]
# An input is one byte giving the length of the name looked up, that name,
# then the bytes of a packed picture file. The printf seeds are packed files
# written byte for byte (names scrambled already); with the path of the
# zepa-pack tool, files packed by it are added.
set -eu

out="${1:?usage: packfile.sh OUTDIR [ZEPA_PACK]}"
pack_tool="${2:-}"
mkdir -p "$out"

# a.bmp and B.JPG.
# 表示.bmp, ソラ十.bmp and j｢.bmp (whose stored form has 0x5C after a lead byte).
# Two entries of one name, then a negative size that ends the lookup.
# A directory part and CR LF line ends.
printf '\005\141\056\142\155\160\236\320\233\217\213\012\311\012\102\115\061\062\063\064\275\320\263\254\264\012\313\012\377\330\377\331' > "$out/two_entries"
printf '\010\225\134\216\246\056\142\155\160\152\242\157\126\315\230\214\210\012\316\012\110\174\242\172\163\154\236\313\226\212\206\012\315\012\123\117\225\134\317\232\216\212\012\316\012\124' > "$out/dbcs_names"
printf '\005\101\056\102\115\120\236\320\233\217\213\012\312\012\146\151\162\163\164\276\320\233\217\213\012\311\012\163\145\143\157\156\144\234\320\233\217\213\012\322\313\012\170\171\172\233\320\233\217\213\012\316\012\104' > "$out/duplicate_and_bad_size"
printf '\007\160\151\143\056\142\155\160\152\165\156\153\134\217\225\232\316\231\215\211\015\012\314\015\012\141\142\143' > "$out/crlf_and_dir"

if [ -n "$pack_tool" ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  printf 'BM\000\000' > "$work/bg01.bmp"
  printf '\377\330\377\331' > "$work/$(printf '\225\134\216\246').jpg"
  printf 'icon' > "$work/wait_next.bmp"
  "$pack_tool" create "$work/zepaadv.dat" "$work/bg01.bmp" "$work/$(printf '\225\134\216\246').jpg" \
    "$work/wait_next.bmp" > /dev/null
  { printf '\010'; printf 'BG01.BMP'; cat "$work/zepaadv.dat"; } > "$out/packed_by_tool"
  { printf '\010'; printf '\225\134\216\246.jpg'; cat "$work/zepaadv.dat"; } > "$out/packed_dbcs"
fi
