#!/bin/sh
# Fuzzes the save-file reader (and the JPEG decoding of its pictures) with
# libFuzzer. Usage: bench/fuzz_save_reader.sh [seconds]   (default 60)
# Needs clang with the libFuzzer runtime. Builds into build-fuzz/ at the top
# of the source tree and keeps its corpus there between runs.
set -eu

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"
mkdir -p "$out/save_corpus"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" \
  "$root/tests/fuzz/save_reader_fuzz.cpp" \
  "$root/src/save/save_file.cpp" \
  "$root/src/script/codec.cpp" \
  "$root/src/script/variables.cpp" \
  "$root/src/script/expression.cpp" \
  "$root/src/display/picture.cpp" \
  -ljpeg -o "$out/save_reader_fuzz"

bash "$root/tests/fuzz/seeds/save_reader.sh" "$out/save_corpus"

cd "$out"
"$out/save_reader_fuzz" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
  "$out/save_corpus"
