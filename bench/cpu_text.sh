#!/usr/bin/env bash
# The real window under Xvfb: CPU use and frames presented while a
# 56-character line is revealed (50 ms a character), then CPU use while the
# text waits for a click. Usage: bench/cpu_text.sh [build/zepa]
# The title window is switched off (TITLE/TIME=0): the figures are the text's alone.
set -euo pipefail
zepa=$(realpath "${1:-build/zepa}")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n[TEXT]\r\nTELOWAIT=50\r\n' > "$dir/rurirora.ini"
line=$(printf 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123')
# White text on a black screen: on the white start-up screen the text
# would change no pixel, and its drawing would cost nothing to show.
printf '[fill]000000\r\n[flip]\r\n[wait]1000\r\n[text]%s\r\n[end]\r\n' "$line" > "$dir/story.kvs"
cat > "$dir/measure.sh" <<'INNER'
cpu() { read -r -a s < /proc/$1/stat; echo $(( ${s[13]} + ${s[14]} )); }
hz=$(getconf CLK_TCK)
ZEPA_STATS=1 SDL_VIDEODRIVER=x11 "$1" --game "$2" 2> "$2/stats" & pid=$!
sleep 2.0   # start-up, the 500 ms fade and the [wait]
c0=$(cpu $pid); t0=$(date +%s.%N)
sleep 2.8   # the reveal: 56 x 50 ms
c1=$(cpu $pid); t1=$(date +%s.%N)
sleep 1.0   # margin: the reveal has surely ended
c2=$(cpu $pid); t2=$(date +%s.%N)
sleep 5     # waiting for a click
c3=$(cpu $pid); t3=$(date +%s.%N)
kill $pid; wait $pid || true
awk -v a="$c0" -v b="$c1" -v c="$c2" -v d="$c3" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v t2="$t2" -v t3="$t3" 'BEGIN {
  printf "cpu during the reveal: %.1f %% of one core\n", 100 * (b - a) / hz / (t1 - t0)
  printf "cpu while the text waits: %.2f %% of one core\n", 100 * (d - c) / hz / (t3 - t2) }'
cat "$2/stats"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$dir/measure.sh" "$zepa" "$dir"
