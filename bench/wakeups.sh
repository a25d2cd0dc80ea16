#!/usr/bin/env bash
# Wake-ups of the real window under Xvfb, thread by thread: voluntary
# context switches a second over 10 s, at a text wait (a picture and a
# line waiting for a click) and inside a long timed [wait], each after 3 s
# of settling, with the title window off; then over 2.5 s of the title
# window's fade-in. CPU and memory beside them.
# Usage: bench/wakeups.sh [build/zepa]   (needs Xvfb)
set -euo pipefail
zepa=$(realpath "${1:-build/zepa}")
dir=$(mktemp -d)
display=${BENCH_DISPLAY:-:76}
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2> /dev/null; rm -rf "$dir"' EXIT
export DISPLAY=$display SDL_AUDIODRIVER=dummy
sleep 1

game() {  # game FOLDER STORY
  mkdir -p "$1"
  printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n' > "$1/rurirora.ini"
  printf '%b' "$2" > "$1/story.kvs"
}
# Per thread: "tid name switches", one line each.
switches() {
  for t in /proc/$1/task/*; do
    printf '%s %s %s\n' "${t##*/}" "$(tr ' ' '_' < "$t/comm")" \
      "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status")"
  done
}
ticks() { read -r -a s < "/proc/$1/stat"; echo $((${s[13]} + ${s[14]})); }
hz=$(getconf CLK_TCK)

measure() {  # measure LABEL GAME [SETTLE_S SPAN_S]
  "$zepa" --game "$2" > /dev/null 2>&1 &
  local pid=$!
  sleep "${3:-3}"
  switches $pid > "$dir/s0"
  local c0 t0 c1 t1
  c0=$(ticks $pid) t0=$(date +%s.%N)
  sleep "${4:-10}"
  c1=$(ticks $pid) t1=$(date +%s.%N)
  switches $pid > "$dir/s1"
  local rss
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  kill $pid
  wait $pid 2> /dev/null || true
  awk -v l="$1" -v c="$((c1 - c0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v rss="$rss" \
    'NR == FNR { before[$1] = $3; next }
     { n = $3 - ($1 in before ? before[$1] : 0); all += n; row[++k] = sprintf("    %-16s %6.1f /s", $2, n / (t1 - t0)) }
     END { printf "%s: %.1f wake-ups/s in all, cpu %.2f %% of one core, %.1f MB\n", l, all / (t1 - t0), 100 * c / hz / (t1 - t0), rss / 1024
           for (i = 1; i <= k; i++) print row[i] }' "$dir/s0" "$dir/s1"
}

game "$dir/text" '[picture]bg.bmp\r\n[flip]\r\n[text]Waiting for a click.\r\n'
convert -size 640x480 gradient:navy-white "BMP3:$dir/text/bg.bmp" 2> /dev/null ||
  printf '' > "$dir/text/bg.bmp"
game "$dir/wait" '[wait]60000\r\n[text]Done.\r\n'
measure "text wait" "$dir/text"
measure "timed [wait]" "$dir/wait"
# The title window's 3 s fade-in, from 0.5 s to 3 s after launch.
game "$dir/title" '[text]After the title.\r\n'
printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=3\r\nFADE=3000\r\n' > "$dir/title/rurirora.ini"
measure "title fade-in" "$dir/title" 0.5 2.5
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
