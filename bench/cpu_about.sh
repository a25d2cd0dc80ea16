#!/usr/bin/env bash
# CPU use of the real window while the about box is open over a text wait
# (the wait icon blinking below it), measured from /proc over 8 s, and the
# same wait without the box for comparison. Needs Xvfb and xdotool.
# Usage: bench/cpu_about.sh [build/zepa]
set -euo pipefail
zepa=$(realpath "${1:-build/zepa}")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '[SCREEN]\r\nFULL=0\r\n[POS]\r\nTOP=40\r\nLEFT=40\r\n' > "$dir/rurirora.ini"
# "テキストを読んでいます。" (reading the text): one page, then the text-end wait.
printf '[text]\x83e\x83L\x83X\x83g\x82\xf0\x93\xc7\x82\xf1\x82\xc5\x82\xa2\x82\xdc\x82\xb7\x81B\r\n[end]\r\n' > "$dir/story.kvs"
cat > "$dir/measure.sh" <<'INNER'
set -euo pipefail
measure() {
  local pid=$1 label=$2 hz s0 s1 t0 t1
  hz=$(getconf CLK_TCK)
  read -r -a s0 < /proc/$pid/stat; t0=$(date +%s.%N)
  sleep 8
  read -r -a s1 < /proc/$pid/stat; t1=$(date +%s.%N)
  awk -v t="$(( (${s1[13]} + ${s1[14]}) - (${s0[13]} + ${s0[14]}) ))" -v hz="$hz" -v a="$t0" -v b="$t1" \
    -v label="$label" 'BEGIN { printf "cpu %s: %.2f %% of one core\n", label, 100 * t / hz / (b - a) }'
}
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy ZEPA_STATS=1 "$1" --game "$2" & pid=$!
sleep 3
measure $pid "during the text wait"
xdotool key Escape
sleep 1.5
# The box is the process's second window.
if [ "$(xdotool search --onlyvisible --pid $pid | wc -l)" -lt 2 ]; then
  echo "the about box did not open" >&2
  kill $pid; exit 1
fi
measure $pid "with the about box open"
xdotool key Return
sleep 0.5
kill $pid
wait $pid || true
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$dir/measure.sh" "$zepa" "$dir"
