#!/usr/bin/env bash
# The cost of scaling in the real window under Xvfb 1920 x 1080: CPU per
# frame of endless 2 s cross-fades between two 640 x 480 pictures, and CPU,
# wake-ups and memory while a line of text waits for a click, each at 1x,
# in a 1280 x 960 window and full screen. Usage:
#   [SIZES="one two full"] bench/cpu_scaled.sh [build/zepa] [scaling mode, default sharp]
# The CPU per frame is taken between a short and a long run of the same
# fades (frames from ZEPA_STATS), so that start-up is left out.
set -euo pipefail
zepa=$(realpath "${1:-build/zepa}")
mode=${2:-sharp}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The player's own files of these runs stay out of the real ones.
export XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" SDL_AUDIODRIVER=dummy
for g in fade text; do
  for size in one two full; do
    mkdir -p "$dir/$g-$size"
    full=0
    [ "$size" = full ] && full=1
    printf '[SCREEN]\r\nFULL=%s\r\n[TITLE]\r\nTIME=0\r\n' "$full" > "$dir/$g-$size/rurirora.ini"
    convert -size 640x480 gradient:'#d04020-#2040d0' "BMP3:$dir/$g-$size/a.bmp"
    convert -size 640x480 plasma:fractal -seed 7 "BMP3:$dir/$g-$size/b.bmp" 2>/dev/null ||
      convert -size 640x480 gradient:'#20d040-#f0f0f0' "BMP3:$dir/$g-$size/b.bmp"
  done
  for size in one two full; do
    if [ "$g" = fade ]; then
      printf '#loop\r\n[picture]b.bmp\r\n[fade]2000\r\n[picture]a.bmp\r\n[fade]2000\r\n[go]#loop\r\n' \
        > "$dir/$g-$size/story.kvs"
    else
      printf '[picture]a.bmp\r\n[flip]\r\n[text]A line of text waits for a click.\r\n[end]\r\n' \
        > "$dir/$g-$size/story.kvs"
    fi
  done
done
# The anchor: the least a program can do to show a new frame of that size
# without a GPU (copy a prepared picture into the window's surface and
# update it), at 1x and full screen, 600 frames at 60 a second; it prints
# its own CPU a frame, taken after its first frame.
cat > "$dir/bare.c" << 'C'
#include <SDL.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
static double cpu_ms(void) {
  struct rusage u;
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}
int main(int argc, char** argv) {
  int full = argc > 1 && strcmp(argv[1], "full") == 0;
  // The window's own surface, as zepa uses it without a GPU.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* w = SDL_CreateWindow("bare", 0, 0, 640, 480, full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  if (!w) return 1;
  SDL_Event e;
  for (int i = 0; i < 30; ++i) { while (SDL_PollEvent(&e)) {} SDL_Delay(10); }
  SDL_Surface* s = SDL_GetWindowSurface(w);
  if (!s || s->format->BytesPerPixel != 4) return 1;
  int pw = full ? s->h * 4 / 3 : 640, ph = full ? s->h : 480, x0 = (s->w - pw) / 2;
  Uint32* pic[2];
  for (int k = 0; k < 2; ++k) {
    pic[k] = SDL_malloc((size_t)pw * ph * 4);
    for (int i = 0; i < pw * ph; ++i) pic[k][i] = (Uint32)(i * (k ? 2654435761u : 40503u));
  }
  SDL_FillRect(s, NULL, 0);
  double t0 = 0;
  const int frames = 600;
  for (int f = 0; f <= frames; ++f) {
    Uint32 due = SDL_GetTicks() + 16;
    for (int y = 0; y < ph; ++y)
      memcpy((char*)s->pixels + (size_t)y * s->pitch + (size_t)x0 * 4, pic[f & 1] + (size_t)y * pw, (size_t)pw * 4);
    SDL_Rect r = {x0, 0, pw, ph};
    SDL_UpdateWindowSurfaceRects(w, &r, 1);
    while (SDL_PollEvent(&e)) {}
    if (f == 0) t0 = cpu_ms();
    Sint32 left = (Sint32)(due - SDL_GetTicks());
    if (left > 0) SDL_Delay((Uint32)left);
  }
  printf("%.3f\n", (cpu_ms() - t0) / frames);
  SDL_Quit();
  return 0;
}
C
# shellcheck disable=SC2046
gcc -O2 -o "$dir/bare" "$dir/bare.c" $(pkg-config --cflags --libs sdl2)
cat > "$dir/measure.sh" <<'INNER'
zepa=$1 dir=$2 mode=$3
hz=$(getconf CLK_TCK)
cpu() { read -r -a s < /proc/$1/stat; echo $(( ${s[13]} + ${s[14]} )); }
wakes() { cat /proc/$1/task/*/status | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }'; }
args() { case $1 in one) echo "--scale 1";; two) echo "--scale 2";; full) echo "--scale 1";; esac; }
# Runs the fades for $2 seconds; prints "cpu_ticks frames".
fade_run() {
  ZEPA_STATS=1 SDL_VIDEODRIVER=x11 "$zepa" --game "$dir/fade-$1" --scaling "$mode" $(args "$1") \
    2> "$dir/stats-$1" & local pid=$!
  sleep "$2"
  local c; c=$(cpu $pid)
  kill $pid; wait $pid || true
  local frames; frames=$(sed -n 's/.* \([0-9]*\) pushed to the screen.*/\1/p' "$dir/stats-$1")
  echo "$c $frames"
}
for size in one full; do
  printf '%-5s anchor: %s ms of CPU a frame to copy in and show a prepared frame\n' \
    $size "$(SDL_VIDEODRIVER=x11 "$dir/bare" $size)"
done
for size in ${SIZES:-one two full}; do
  read -r c_short f_short < <(fade_run $size 3)
  read -r c_long f_long < <(fade_run $size 13)
  awk -v s="$size" -v c="$((c_long - c_short))" -v f="$((f_long - f_short))" -v hz="$hz" 'BEGIN {
    printf "%-5s cross-fades: %.3f ms of CPU a frame, %.1f frames/s, %.1f %% of one core\n",
      s, 1000 * c / hz / f, f / 10, 100 * c / hz / 10 }'
  SDL_VIDEODRIVER=x11 "$zepa" --game "$dir/text-$size" --scaling "$mode" $(args $size) & pid=$!
  sleep 3
  c0=$(cpu $pid); w0=$(wakes $pid); t0=$(date +%s.%N)
  sleep 8
  c1=$(cpu $pid); w1=$(wakes $pid); t1=$(date +%s.%N)
  rss=$(awk '/^VmRSS/ { print $2 }' /proc/$pid/status)
  kill $pid; wait $pid || true
  awk -v s="$size" -v c="$((c1 - c0))" -v w="$((w1 - w0))" -v hz="$hz" -v a="$t0" -v b="$t1" \
    -v rss="$rss" 'BEGIN {
    printf "%-5s text wait: %.2f %% of one core, %.1f wake-ups/s, %.1f MB resident\n",
      s, 100 * c / hz / (b - a), w / (b - a), rss / 1024 }'
done
INNER
SIZES=${SIZES:-} xvfb-run -a -s "-screen 0 1920x1080x24" bash "$dir/measure.sh" "$zepa" "$dir" "$mode"
