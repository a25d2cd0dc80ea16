#!/bin/sh
# Seeds for codec_fuzz: plain bytes, letter texts of both cases, odd lengths.
set -eu
out="$1"
mkdir -p "$out"
printf 'aaa' > "$out/run3"
printf 'GEge' > "$out/letters"
printf 'gegfggGEgeH' > "$out/odd"
printf '\x88\xa4\x82\xa0\n#label\r\n' > "$out/sjis"
printf 'zz{~\x7f\x80\xff ' > "$out/outside"
printf 'ab\0cd' > "$out/nul"
