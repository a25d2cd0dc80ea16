#!/usr/bin/env bash
# Makes the demo game's music, sound effect and movie. The files are in the
# repository already; run this after changing them here. Needs ffmpeg.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p bgm se

# The theme: a MIDI file written byte by byte. 96 ticks a beat at 120 beats
# a minute; every note is an eighth (48 ticks), so each delta is one byte.
notes=(60 64 67 72 67 64 60 64  62 65 69 74 69 65 62 65  64 67 71 76 71 67 64 67  65 69 72 77 72 69 67 64)
hex() { printf '\\x%02x' "$@"; }
track=""
track+=$(hex 0x00 0xff 0x51 0x03 0x07 0xa1 0x20)  # 500000 us a beat
track+=$(hex 0x00 0xc0 0x08)                      # celesta (freepats has it)
for n in "${notes[@]}"; do
  track+=$(hex 0x00 0x90 "$n" 0x60 0x30 0x80 "$n" 0x40)
done
track+=$(hex 0x00 0xff 0x2f 0x00)
length=$(printf "$track" | wc -c)
{
  printf 'MThd'; printf "$(hex 0 0 0 6 0 0 0 1 0 96)"
  printf 'MTrk'; printf "$(hex $(( (length >> 24) & 255 )) $(( (length >> 16) & 255 )) $(( (length >> 8) & 255 )) $(( length & 255 )))"
  printf "$track"
} > bgm/theme.mid

# The choice sound: a short bell.
ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=1320:duration=0.18" \
  -af "afade=t=out:st=0.03:d=0.15" -ar 22050 -ac 1 se/select.wav

# The opening movie: the two backgrounds cross-fading, 320 x 240, MPEG-1.
ffmpeg -nostdin -loglevel error -y -loop 1 -t 1.5 -i bg_hill.jpg -loop 1 -t 1.5 -i bg_room.jpg \
  -filter_complex "[0][1]xfade=transition=fade:duration=1:offset=0.5,scale=320:240,fps=25" \
  -c:v mpeg1video -q:v 6 -an opening.mpg
