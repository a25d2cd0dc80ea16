#!/usr/bin/env bash
# CPU use of the real window while a scenario waits 10 s ([wait]10000),
# measured from /proc over the wait. Usage: bench/cpu_idle.sh [build/zepa]
# The title window is switched off (TITLE/TIME=0): the figure is the wait's alone.
set -euo pipefail
zepa=$(realpath "${1:-build/zepa}")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/rurirora.ini"
printf '[wait]10000\r\n[end]\r\n' > "$dir/story.kvs"
cat > "$dir/measure.sh" <<'INNER'
SDL_VIDEODRIVER=x11 "$1" --game "$2" & pid=$!
sleep 1.5
hz=$(getconf CLK_TCK)
read -r -a s0 < /proc/$pid/stat; t0=$(date +%s.%N)
sleep 8
read -r -a s1 < /proc/$pid/stat; t1=$(date +%s.%N)
ticks=$(( (${s1[13]} + ${s1[14]}) - (${s0[13]} + ${s0[14]}) ))
awk -v t="$ticks" -v hz="$hz" -v a="$t0" -v b="$t1" \
  'BEGIN { printf "cpu during [wait]: %.2f %% of one core\n", 100 * t / hz / (b - a) }'
wait $pid
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$dir/measure.sh" "$zepa" "$dir"
