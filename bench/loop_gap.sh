#!/usr/bin/env bash
# The silence at a loop restart: a WAV, an OGG and a MIDI file that sound
# from their first sample to their last loop for a few rounds through SDL's
# disk audio driver, and the longest silence recorded between the first and
# the last sound is reported. Usage: bench/loop_gap.sh [sound_timing [MAX_MS]]
# With MAX_MS it fails when any silence is longer (the recording is of the
# mixed samples, so the figure does not depend on the machine's speed).
set -euo pipefail
timing=$(realpath "${1:-build/bench/sound_timing}")
max_ms=${2:-}
out=$(mktemp)
dir=$(mktemp -d)
trap 'rm -rf "$dir" "$out"' EXIT
ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=440:duration=1" \
  -ac 2 -ar 44100 -c:a pcm_s16le "$dir/tone.wav"
ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=440:duration=1" \
  -ac 2 -ar 44100 -c:a libvorbis "$dir/tone.ogg"
# One note held for the whole file: 96 ticks a quarter at 120 beats a minute,
# so the note lasts 192 ticks, one second.
printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\20\0\300\0\0\220\105\144\201\100\200\105\100\0\377\57\0' \
  >"$dir/tone.mid"
for f in tone.wav tone.ogg tone.mid; do
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/out.raw" \
    "$timing" gap "$dir/$f" 4 2>/dev/null | tee -a "$out"
done
# The WAV once more as a looping effect, which the effect player repeats.
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/out.raw" \
  "$timing" wavgap "$dir/tone.wav" 4 2>/dev/null | tee -a "$out"
[ -z "$max_ms" ] && exit 0
[ "$(grep -c 'longest silence' "$out")" = 4 ] || { echo "not every file was measured"; exit 1; }
awk -v max="$max_ms" '/longest silence/ { for (i = 1; i <= NF; i++) if ($i == "silence" && $(i + 1) + 0 > max + 0) bad = 1 }
  END { exit bad }' "$out" || { echo "a loop restarts after more than $max_ms ms of silence"; exit 1; }
echo "every loop restarts within $max_ms ms"
