#!/usr/bin/env bash
# The sound figures: CPU while an OGG loops in the real window under Xvfb,
# the delay from a file's end to its loop restart (WAV and MIDI), CPU while
# a 320 x 240 MPEG-1 movie plays, and a recorded fade-out that must not be
# silent. Usage: bench/sound_figures.sh [build/bench/sound_timing]
set -euo pipefail
timing=$(realpath "${1:-build/bench/sound_timing}")
demo=$(realpath "$(dirname "$0")/../games/demo")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=440:duration=10" -c:a libvorbis "$dir/music.ogg"
ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 -t 6 -c:v mpeg1video "$dir/movie.mpg"
export SDL_AUDIODRIVER=dummy
cat > "$dir/run.sh" <<INNER
export SDL_VIDEODRIVER=x11
"$timing" idle "$dir/music.ogg" 8
"$timing" loop "$demo/se/select.wav" 8
"$timing" loop "$demo/bgm/theme.mid" 2
"$timing" movie "$dir/movie.mpg"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$dir/run.sh" 2>/dev/null
# The disk driver writes what the dummy driver would have played.
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/out.raw" \
  "$timing" fade "$demo/bgm/theme.mid" 2>/dev/null
od -An -v -t d2 -w2 "$dir/out.raw" | awk '
  { v = $1 < 0 ? -$1 : $1; w = int((NR - 1) / 22050); s[w] += v; if (v > peak) peak = v; n = w }
  END { printf "recorded fade (mean level per 0.25 s):"; for (i = 0; i <= n; ++i) printf " %d", s[i] / 22050;
        printf "\npeak sample %d\n", peak }'
