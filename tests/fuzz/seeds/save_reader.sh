#!/bin/bash
# Writes seeds for the save-reader fuzz target into OUTDIR: an encoded save
# with three small JPEG blocks and a choice line, the plain form, and broken
# shapes (negative and huge block counts, a cut pair, odd values). Needs
# ImageMagick's convert and python3.
# Usage: tests/fuzz/seeds/save_reader.sh OUTDIR
set -eu

out="${1:?usage: save_reader.sh OUTDIR}"
mkdir -p "$out"
command -v convert > /dev/null || { echo "save_reader.sh: needs ImageMagick's convert" >&2; exit 1; }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
convert -size 32x24 plasma:fractal -seed 4 -quality 90 "$tmp/display.jpg"
convert -size 32x24 xc:navy -quality 90 "$tmp/buffer.jpg"
convert -size 16x8 xc:white -quality 90 "$tmp/message.jpg"

python3 - "$tmp" "$out/encoded_three_pictures.kvd" <<'PY'
import sys

def encode(b):
    out, i = [], 0
    while i < len(b):
        h, l = b[i] >> 4, b[i] & 15
        if i + 1 < len(b) and b[i + 1] == b[i]:
            out.append(chr(65 + h) + chr(68 + l)); i += 2
        else:
            out.append(chr(97 + h) + chr(100 + l)); i += 1
    return "".join(out).encode()

tmp, target = sys.argv[1], sys.argv[2]
settings = (b"script:story.kvs\nscene:#start\nnow:17\npicture:BG01.JPG\nbgm:\nwav:\nchara:a.bmp\n"
            b"FRAME:1\nBGMLOOP:0\nWAVLOOP:0\ntextcolor:16777215\nbgtextcolor:0\n"
            b"selectcolor:16776960\nselectbackcolor:16711680\nselecttextcolor:65535\n"
            b"graphicpencolor:65280\ngraphicbrushcolor:16711680\nsoundfadetime:2000\n"
            b"adv_mode:3\nwait_mode:1\nskip_mode:0\nmessage_exist:1\nselect_x:32\nselect_y:369\n"
            b"wait_bmp:4\nselect_now:1\nselect_number:2\n")
data = b"X" + encode(settings)
for key, name in ((b"bDISPLAY_IMAGE:", "display"), (b"bBUFFER_IMAGE:", "buffer"),
                  (b"bMESSAAGE_BAK:", "message")):
    jpeg = open(f"{tmp}/{name}.jpg", "rb").read()
    data += encode(key + str(len(jpeg)).encode() + b"\n") + b"\n" + jpeg
data += encode(b"select_text:" + encode(b"yes\nno\n") + b"\n") + b"\n"
data += encode(b"SETTING_END\n") + encode(b"a=5\nname=\x82\xa0\x82\xa2\nq=say \"hi\"\n") + b"\0"
open(target, "wb").write(data)
PY

printf 'script:story.kvs\nnow:12\nSETTING_END\na=5\n' > "$out/plain_a5.kvd"
printf 'script:story.kvs\r\nnow:0\r\nbDISPLAY_IMAGE:4\r\nab\ncSETTING_END\r\nq=say "hi"\r\n' > "$out/plain_crlf.kvd"
printf 'now:1\nbBUFFER_IMAGE:-1\nxx\nSETTING_END\n' > "$out/negative_block.kvd"
printf 'now:1\nbMESSAAGE_BAK:2147483648\nxx\n' > "$out/huge_block.kvd"
printf 'X' > "$out/lone_x.kvd"
printf 'Xgogdgc' > "$out/cut_pair.kvd"
printf 'now:2147483648\nwait_mode:1\nwait_bmp:9\nadv_mode:3\nselect_text:gegfgg\nSETTING_END\n=x\nname=\x82\xa0\n' > "$out/odd_values.kvd"
