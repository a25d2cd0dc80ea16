#!/usr/bin/env bash
# The real window under Xvfb with a window manager, which frames the window:
# the place written back at the end is the place the window comes back to
# (two starts in a row, no creep), and keys typed the moment the question
# box opens reach its field.
set -uo pipefail
zepa=$1
for tool in xvfb-run xdotool twm convert; do
  command -v $tool >/dev/null || { echo "$tool is missing"; exit 1; }
done
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/game" "$dir/ask"
# Xvfb's own font only; windows are placed where they ask to be.
printf 'TitleFont "fixed"\nResizeFont "fixed"\nMenuFont "fixed"\nIconFont "fixed"\nIconManagerFont "fixed"\nRandomPlacement\n' > "$dir/twmrc"
printf '[SCREEN]\r\nFULL=0\r\n[POS]\r\nTOP=120\r\nLEFT=150\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/game/rurirora.ini"
printf '[fill]0000ff\r\n[flip]\r\n[wait]60000\r\n[end]\r\n' > "$dir/game/story.kvs"
printf '[SCREEN]\r\nFULL=0\r\n[POS]\r\nTOP=0\r\nLEFT=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/ask/rurirora.ini"
# The answer decides the colour: red when the field got every key.
printf '[get]n,number,0\r\n[if]n=42[go]#yes\r\n[fill]0000ff\r\n[flip]\r\n[wait]60000\r\n[end]\r\n#yes\r\n[fill]ff0000\r\n[flip]\r\n[wait]60000\r\n[end]\r\n' > "$dir/ask/story.kvs"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
  LANG=C twm -f "$1/twmrc" >/dev/null 2>&1 & wm=$!
  sleep 1
  windows() { xdotool search --onlyvisible --pid $pid 2>/dev/null | wc -l; }
  await() { for _ in $(seq 300); do [ "$(windows)" -ge "$1" ] && break; sleep 0.1; done; }
  pos() { tr -d "\r" < "$1/game/rurirora.ini" | grep -E "^(TOP|LEFT)=" | tr "\n" " "; }
  for round in 1 2; do
    "$0" --game "$1/game" 2>>"$1/zepa.log" & pid=$!
    await 1; sleep 1
    kill -TERM $pid; wait $pid
    pos "$1" > "$1/pos$round"
  done
  "$0" --game "$1/ask" 2>>"$1/zepa.log" & pid=$!
  await 2
  xdotool type --delay 50 42
  # OK is at (224, 72) below the caption of the box, 57 x 17.
  # The box is the window of the box width, 295.
  for w in $(xdotool search --onlyvisible --pid $pid); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" = 295 ] && break
  done
  xdotool mousemove $((X + 255)) $((Y + 103)); sleep 0.3; xdotool click 1
  sleep 2
  import -window root "$1/answer.png"
  kill $pid; wait $pid
  kill $wm
' "$zepa" "$dir"
failed=0
passed=0
echo "written back: $(cat "$dir/pos1" 2>/dev/null) then $(cat "$dir/pos2" 2>/dev/null)"
if [ -s "$dir/pos1" ] && [ "$(cat "$dir/pos1")" = "$(cat "$dir/pos2")" ]; then
  passed=$((passed + 1))
else
  echo "FAILED: the window does not come back where it was"
  failed=$((failed + 1))
fi
colour=$(convert "$dir/answer.png" -format "%[fx:int(255*p{100,100}.r)],%[fx:int(255*p{100,100}.b)]" info: 2>/dev/null)
if [ "$colour" = "255,0" ]; then
  passed=$((passed + 1))
else
  echo "FAILED: the question box's field did not get the keys typed as it opened ($colour)"
  failed=$((failed + 1))
fi
[ -s "$dir/zepa.log" ] && { echo "zepa said:"; cat "$dir/zepa.log"; }
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
