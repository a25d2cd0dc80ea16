#!/usr/bin/env bash
# The real window under Xvfb: a doubled window lies wholly on a 1920 x 1080
# screen at its default place, and SIGTERM ends a program whose error box is
# open.
set -uo pipefail
zepa=$1
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/game" "$dir/broken"
printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/game/rurirora.ini"
printf '[fill]0000ff\r\n[flip]\r\n[wait]8000\r\n[end]\r\n' > "$dir/game/story.kvs"
# No story.kvs: the start shows the error box and waits.
printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/broken/rurirora.ini"
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
  "$0" --game "$1/game" --scale 2 & pid=$!
  sleep 3
  import -window root "$1/scaled.png"
  kill $pid; wait $pid
  "$0" --game "$1/broken" & pid=$!
  sleep 3
  kill -TERM $pid
  for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then echo running > "$1/term"; kill -9 $pid; else echo ended > "$1/term"; fi
' "$zepa" "$dir"
failed=0
passed=0
pixel() { convert "$dir/scaled.png" -format "%[fx:int(255*p{$1,$2}.b)]" info:; }
# 1280 x 960 centred on 1920 x 1080: x 320..1599, y 60..1019.
if [ "$(pixel 325 65)" = 255 ] && [ "$(pixel 1594 1014)" = 255 ] && [ "$(pixel 315 540)" != 255 ]; then
  passed=$((passed + 1))
else
  echo "FAILED: the doubled window is not centred wholly on the screen"
  failed=$((failed + 1))
fi
if [ "$(cat "$dir/term" 2>/dev/null)" = ended ]; then
  passed=$((passed + 1))
else
  echo "FAILED: SIGTERM did not end the program while its error box was open"
  failed=$((failed + 1))
fi
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
