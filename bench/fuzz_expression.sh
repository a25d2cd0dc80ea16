#!/bin/sh
# Fuzzes the expression evaluator and text substitution with libFuzzer.
# Usage: bench/fuzz_expression.sh [seconds]   (default 60)
# Needs clang with the libFuzzer runtime. Builds into build-fuzz/ at the top
# of the source tree and keeps its corpus there between runs.
set -eu

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"
mkdir -p "$out/corpus"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" \
  "$root/tests/fuzz/expression_fuzz.cpp" \
  "$root/src/script/variables.cpp" \
  "$root/src/script/expression.cpp" \
  -o "$out/expression_fuzz"

# A few seeds so the run starts from the shapes scenarios use.
printf 'a=1+2*3' > "$out/corpus/seed_set"
printf 'a<>RND(6)[go]#x\n' > "$out/corpus/seed_if"
printf 'x="\x88\xa4"' > "$out/corpus/seed_quote"
printf 'hi $a$ %%s %%v\\n\nnext\n#label' > "$out/corpus/seed_text"
printf '((2)*(3+b))/0%%a' > "$out/corpus/seed_groups"

cd "$out"
"$out/expression_fuzz" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  "$out/corpus"
