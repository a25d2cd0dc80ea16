#!/bin/sh
# Fuzzes the HTTP response reader and where a location leads, with libFuzzer.
# Usage: bench/fuzz_http_response.sh [seconds]   (default 60)
# Needs clang with the libFuzzer runtime. Builds into build-fuzz/ at the top
# of the source tree and keeps its corpus there between runs.
set -eu

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"
corpus="$out/corpus_http_response"
mkdir -p "$corpus"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" \
  "$root/tests/fuzz/http_response_fuzz.cpp" \
  "$root/src/net/response.cpp" \
  "$root/src/net/url.cpp" \
  "$root/src/net/http_client.cpp" \
  "$root/src/net/socket_errors.cpp" \
  -o "$out/http_response_fuzz"

sh "$root/tests/fuzz/seeds/http_response.sh" "$corpus"

cd "$out"
"$out/http_response_fuzz" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 "$corpus"
