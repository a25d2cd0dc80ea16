#!/usr/bin/env bash
# Drives the real SDL window under Xvfb and checks a screenshot of it.
set -euo pipefail
zepa=$1
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '[SCREEN]\r\nFULL=0\r\n[POS]\r\nTOP=0\r\nLEFT=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/rurirora.ini"
printf '[fill]0000ff\r\n[flip]\r\n[gbcolor]ff0000\r\n[gsquare]100,100,200,200,1\r\n[wait]5000\r\n[end]\r\n' > "$dir/story.kvs"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  SDL_VIDEODRIVER=x11 "$0" --game "$1" & pid=$!
  sleep 3
  import -window root "$1/shot.png"
  wait $pid
' "$zepa" "$dir"
pixel() { convert "$dir/shot.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
bg=$(pixel 20 20)
box=$(pixel 150 150)
echo "background $bg, box $box"
[ "$bg" = "0,0,255" ] || { echo "the window does not show the blue background"; exit 1; }
[ "$box" = "255,0,0" ] || { echo "the window does not show the red box"; exit 1; }
grep -q 'FULL=0' "$dir/rurirora.ini"
echo "1 passed, 0 failed"
