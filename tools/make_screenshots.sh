#!/usr/bin/env bash
# Takes the screenshots the desktop's software centres show: the demo as it
# plays, headless. The pictures are in the repository already; run this
# after the demo changes, with zepa built in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots
events=$(mktemp)
trap 'rm -f "$events"' EXIT
# The title and the opening movie are skipped; then each click shows more text.
printf '%s\n' '1000 click 320 240' '3000 click 320 240' '21000 click 320 240' '23000 click 320 240' \
  '25000 click 320 240' '27000 click 320 240' '29000 click 320 240' >"$events"
export SDL_AUDIODRIVER=dummy
build/zepa --headless --game games/demo --input "$events" --until 20000 --shot "$out/demo-hill.png"
build/zepa --headless --game games/demo --input "$events" --until 32000 --shot "$out/demo-friends.png"
