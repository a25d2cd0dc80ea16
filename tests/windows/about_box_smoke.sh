#!/usr/bin/env bash
# The about box in the real window under Xvfb: Esc opens it centred on the
# screen above the game, Return closes it and the game window takes keys
# again (a second Esc opens it once more).
set -euo pipefail
zepa=$1
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing"; exit 1; }
command -v xdotool >/dev/null || { echo "xdotool is missing"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '[SCREEN]\r\nFULL=0\r\n[POS]\r\nTOP=0\r\nLEFT=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/rurirora.ini"
# The game waits longer than the test can take, so that a slow machine
# never sees it end in the middle.
printf '[fill]0000ff\r\n[flip]\r\n[wait]110000\r\n[end]\r\n' > "$dir/story.kvs"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$0" --game "$1" 2>"$1/zepa.log" & pid=$!
  # Waits (up to 30 s) until the program shows N windows, then lets them draw;
  # a loaded machine may take seconds to start or to open a window.
  windows() { xdotool search --onlyvisible --pid $pid 2>/dev/null | wc -l; }
  await() { for _ in $(seq 300); do [ "$(windows)" = "$1" ] && break; sleep 0.1; done; sleep 1; }
  await 1
  xdotool mousemove 100 100
  xdotool key Escape; await 2
  import -window root "$1/open.png"
  windows > "$1/open_count"
  xdotool key Return; await 1
  import -window root "$1/closed.png"
  windows > "$1/closed_count"
  xdotool key Escape; await 2
  windows > "$1/again_count"
  # A program that is already gone here ended on its own: keep how.
  if kill $pid 2>/dev/null; then wait $pid || true; else wait $pid; echo "ended by itself, status $?" >> "$1/zepa.log"; fi
' "$zepa" "$dir"
pixel() { convert "$dir/$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
# The box is 388 x 191 centred on 1024 x 768: its left edge at 318, top 288;
# the caption bar starts dark blue, the face below it is light grey.
bar=$(pixel open.png 322 293)
face=$(pixel open.png 322 470)
game=$(pixel closed.png 322 293)
[ -s "$dir/zepa.log" ] && { echo "zepa said:"; cat "$dir/zepa.log"; }
echo "caption bar $bar, face $face, game after closing $game; windows $(cat "$dir/open_count") $(cat "$dir/closed_count") $(cat "$dir/again_count")"
[ "$bar" = "10,36,106" ] || { echo "no caption bar where the box should be"; exit 1; }
[ "$face" = "212,208,200" ] || { echo "no window face where the box should be"; exit 1; }
[ "$game" = "0,0,255" ] || { echo "the game does not show again after the box closed"; exit 1; }
[ "$(cat "$dir/open_count")" = 2 ] && [ "$(cat "$dir/closed_count")" = 1 ] && [ "$(cat "$dir/again_count")" = 2 ] ||
  { echo "the box did not open, close and open again"; exit 1; }
echo "1 passed, 0 failed"
