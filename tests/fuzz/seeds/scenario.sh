#!/bin/sh
# Seeds for scenario_fuzz: plain scenarios with CR LF and lone CR, an encoded
# one split across lines, and lines each argument form reads.
set -eu
out="$1"
mkdir -p "$out"
printf '#start\r\n[text]hello\r\n[sel]yes/no\r\n[go]#start // back\r\n' > "$out/plain_crlf"
printf '#a\n[pic]bg.bmp\n[gline]1,2,3,4\n[textcolor]ff0000\n[gbcolor]1,2,3\n[chara]10,20,ch.bmp\n' > "$out/args"
printf 'line\rrest\nnext\r\r\nlast' > "$out/lone_cr"
printf 'XhmgegfggGE\ngehn\r\nihdpdn\n' > "$out/encoded"
printf 'X' > "$out/marker_only"
printf '\x88\xa4[text]\x95\x5c\x8e\xa6\n#\x95\x5c label\n' > "$out/sjis"
