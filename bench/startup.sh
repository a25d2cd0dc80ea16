#!/usr/bin/env bash
# Start-up in the real window under Xvfb with the title window off: the time
# from the program's start to its first screen update and to the game
# window's first frame (seen by a small LD_PRELOAD shim around SDL's present
# calls), and the CPU time used by then, over several runs.
# Usage: bench/startup.sh [build/zepa] [RUNS]   (needs gcc and Xvfb)
set -euo pipefail
zepa=$(realpath "${1:-build/zepa}")
runs=${2:-10}
dir=$(mktemp -d)
display=${BENCH_DISPLAY:-:78}
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2> /dev/null; rm -rf "$dir"' EXIT
export DISPLAY=$display SDL_AUDIODRIVER=dummy
sleep 1

cat > "$dir/shim.c" << 'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
// One line for the first present of each window or renderer: its wall
// clock and the CPU time the process has used by then, in nanoseconds.
static const void* seen[16];
static void note(const void* target) {
  for (int i = 0; i < 16; ++i) {
    if (seen[i] == target) return;
    if (!seen[i]) {
      seen[i] = target;
      struct timespec wall, cpu;
      clock_gettime(CLOCK_REALTIME, &wall);
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
      FILE* f = fopen(getenv("FIRST_PRESENT_FILE"), "a");
      if (f) {
        fprintf(f, "%lld %lld\n", (long long)wall.tv_sec * 1000000000LL + wall.tv_nsec,
                (long long)cpu.tv_sec * 1000000000LL + cpu.tv_nsec);
        fclose(f);
      }
      return;
    }
  }
}
#define WRAP(ret, name, params, args, target)                   \
  ret name params {                                             \
    static ret(*real) params;                                   \
    if (!real) real = (ret(*) params)dlsym(RTLD_NEXT, #name);   \
    note(target);                                               \
    return real args;                                           \
  }
WRAP(void, SDL_RenderPresent, (void* r), (r), r)
WRAP(int, SDL_UpdateWindowSurface, (void* w), (w), w)
WRAP(int, SDL_UpdateWindowSurfaceRects, (void* w, const void* r, int n), (w, r, n), w)
C
gcc -shared -fPIC -O2 -o "$dir/shim.so" "$dir/shim.c" -ldl

# The anchor: the least any SDL2 program can do to show a first frame here
# (load libSDL2, open a 640 x 480 window, fill it white, update it), timed
# the same way in the same run, so what is zepa's own shows beside it.
cat > "$dir/bare.c" << 'C'
#include <SDL.h>
int main(void) {
  // The window's own surface, as zepa uses it without a GPU.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* w = SDL_CreateWindow("bare", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                   640, 480, 0);
  SDL_Surface* s = w ? SDL_GetWindowSurface(w) : NULL;
  if (!s) return 1;
  SDL_FillRect(s, NULL, SDL_MapRGB(s->format, 255, 255, 255));
  SDL_UpdateWindowSurface(w);
  SDL_Event e;
  while (SDL_WaitEvent(&e) && e.type != SDL_QUIT) {}
  SDL_Quit();
  return 0;
}
C
# shellcheck disable=SC2046
gcc -O2 -o "$dir/bare" "$dir/bare.c" $(pkg-config --cflags --libs sdl2)

mkdir -p "$dir/game"
printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/game/rurirora.ini"
printf '[text]Waiting for a click.\r\n' > "$dir/game/story.kvs"

# The game's window is the last to show its first frame: the title window,
# when there is one, has closed before it opens. The runs of zepa and of the
# anchor take turns, so both see the same load.
: > "$dir/results.zepa"
: > "$dir/results.bare"
for ((i = 0; i < runs; i++)); do
  for who in zepa bare; do
    rm -f "$dir/first"
    start=$(date +%s%N)
    if [ $who = zepa ]; then
      FIRST_PRESENT_FILE="$dir/first" LD_PRELOAD="$dir/shim.so" "$zepa" --game "$dir/game" \
        > /dev/null 2>&1 &
    else
      FIRST_PRESENT_FILE="$dir/first" LD_PRELOAD="$dir/shim.so" "$dir/bare" > /dev/null 2>&1 &
    fi
    pid=$!
    sleep 2
    kill $pid 2> /dev/null || true
    wait $pid 2> /dev/null || true
    [ -s "$dir/first" ] && awk -v s="$start" 'NR == 1 { any = ($1 - s) / 1e6 }
      { game = ($1 - s) / 1e6; cpu = $2 / 1e6 } END { print any, game, cpu }' "$dir/first" \
      >> "$dir/results.$who"
  done
done
for who in zepa bare; do
  echo "$who:"
  for col in 1 2 3; do
    name=("" "launch to the first screen update" "launch to the game window's first frame"
      "CPU used by then")
    [ $who = bare ] && [ $col = 2 ] && continue
    sort -n -k$col "$dir/results.$who" | awk -v c=$col -v n="${name[$col]}" '{ v[NR] = $c } END {
      printf "  %s: median %.0f ms, range %.0f-%.0f ms over %d runs\n", n, v[int((NR + 1) / 2)], v[1], v[NR], NR }'
  done
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
