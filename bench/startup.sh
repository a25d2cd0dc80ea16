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

mkdir -p "$dir/game"
printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/game/rurirora.ini"
printf '[text]Waiting for a click.\r\n' > "$dir/game/story.kvs"

# The game's window is the last to show its first frame: the title window,
# when there is one, has closed before it opens.
: > "$dir/results"
for ((i = 0; i < runs; i++)); do
  rm -f "$dir/first"
  start=$(date +%s%N)
  FIRST_PRESENT_FILE="$dir/first" LD_PRELOAD="$dir/shim.so" "$zepa" --game "$dir/game" \
    > /dev/null 2>&1 &
  pid=$!
  sleep 2
  kill $pid 2> /dev/null || true
  wait $pid 2> /dev/null || true
  [ -s "$dir/first" ] && awk -v s="$start" 'NR == 1 { any = ($1 - s) / 1e6 }
    { game = ($1 - s) / 1e6; cpu = $2 / 1e6 } END { print any, game, cpu }' "$dir/first" \
    >> "$dir/results"
done
for col in 1 2 3; do
  name=("" "launch to the first screen update" "launch to the game window's first frame"
    "CPU used by then")
  sort -n -k$col "$dir/results" | awk -v c=$col -v n="${name[$col]}" '{ v[NR] = $c } END {
    printf "%s: median %.0f ms, range %.0f-%.0f ms over %d runs\n", n, v[int((NR + 1) / 2)], v[1], v[NR], NR }'
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
