#!/usr/bin/env bash
# Movies in the real window under Xvfb, side by side with FFmpeg's own
# player (ffplay -autoexit) on the same two 30 s files in the same X server:
# a 640 x 480 MPEG-1 program stream with MP2 sound and a 640 x 480 H.264
# QuickTime file with AAC sound. For each player and file: CPU of the player
# (all its threads) and of the X server over 26 s of steady playback, the
# player's peak memory, and zepa's memory at a plain text wait for reference.
# Usage: bench/movie_cpu.sh [build/zepa]   (needs ffmpeg, ffplay, Xvfb)
set -euo pipefail
zepa=$(realpath "${1:-build/zepa}")
dir=$(mktemp -d)
display=${BENCH_DISPLAY:-:77}
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2> /dev/null; rm -rf "$dir"' EXIT
export DISPLAY=$display SDL_AUDIODRIVER=dummy
sleep 1

src="-f lavfi -i testsrc2=size=640x480:rate=30 -f lavfi -i sine=frequency=440:sample_rate=44100 -t 30"
ffmpeg -loglevel error -y $src -c:v mpeg1video -b:v 2500k -c:a mp2 -b:a 192k "$dir/m1.mpg"
ffmpeg -loglevel error -y $src -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac \
  -f mov "$dir/h264.mov"

game() {  # game FOLDER STORY: a game with the title window off
  mkdir -p "$1"
  printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n' > "$1/rurirora.ini"
  printf '%b' "$2" > "$1/story.kvs"
}
ticks() { read -r -a s < "/proc/$1/stat"; echo $((${s[13]} + ${s[14]})); }
hz=$(getconf CLK_TCK)

# measure LABEL COMMAND...: samples from 2 s to 28 s after launch.
measure() {
  local label=$1
  shift
  "$@" > /dev/null 2>&1 &
  local pid=$!
  sleep 2
  local c0 x0 t0 c1 x1 t1 hwm
  c0=$(ticks $pid) x0=$(ticks $xvfb) t0=$(date +%s.%N)
  sleep 26
  c1=$(ticks $pid) x1=$(ticks $xvfb) t1=$(date +%s.%N)
  hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  # ffplay may hang in its exit on a TERM.
  kill $pid 2> /dev/null || true
  sleep 1
  kill -KILL $pid 2> /dev/null || true
  wait $pid 2> /dev/null || true
  awk -v l="$label" -v c="$((c1 - c0))" -v x="$((x1 - x0))" -v t0="$t0" -v t1="$t1" \
    -v hz="$hz" -v m="$hwm" 'BEGIN {
    printf "%-22s cpu %5.1f %% of one core, X server %5.1f %%, peak memory %5.1f MB\n",
      l, 100 * c / hz / (t1 - t0), 100 * x / hz / (t1 - t0), m / 1024 }'
}

game "$dir/wait" '[text]Waiting for a click.\r\n'
"$zepa" --game "$dir/wait" > /dev/null 2>&1 &
pid=$!
sleep 4
awk '/VmRSS/ {printf "zepa at a text wait:   %.1f MB\n", $2 / 1024}' "/proc/$pid/status"
kill $pid
wait $pid 2> /dev/null || true

for movie in m1.mpg h264.mov; do
  game "$dir/g-$movie" "[bgm]$movie\r\n[text]The movie has ended.\r\n"
  cp "$dir/$movie" "$dir/g-$movie/"
  measure "zepa $movie" "$zepa" --game "$dir/g-$movie"
  measure "ffplay $movie" ffplay -autoexit -loglevel quiet "$dir/$movie"
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
