#!/usr/bin/env bash
# The silence at a loop restart: a WAV, an OGG and a MIDI file that sound
# from their first sample to their last loop for a few rounds through SDL's
# disk audio driver, and the longest silence recorded between the first and
# the last sound is reported. Usage: bench/loop_gap.sh [build/bench/sound_timing]
set -euo pipefail
timing=$(realpath "${1:-build/bench/sound_timing}")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
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
    "$timing" gap "$dir/$f" 4 2>/dev/null
done
# The WAV once more as a looping effect, which the effect player repeats.
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/out.raw" \
  "$timing" wavgap "$dir/tone.wav" 4 2>/dev/null
