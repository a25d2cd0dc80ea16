#!/usr/bin/env bash
# Builds and runs one libFuzzer target of tests/fuzz.
# Usage: bench/fuzz.sh NAME [SECONDS]   (NAME of tests/fuzz/NAME_fuzz.cpp; default 60 s)
# Needs clang with the libFuzzer runtime. Builds into build-fuzz/ at the top
# of the source tree (ccache when present) and keeps each target's corpus in
# build-fuzz/corpus/NAME between runs; tests/fuzz/seeds/NAME.sh OUTDIR, when
# it exists, writes the seeds. Findings land in build-fuzz/findings/NAME.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: bench/fuzz.sh NAME [SECONDS]" >&2
  exit 2
fi
name="$1"
seconds="${2:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"
if [ ! -f "$root/tests/fuzz/${name}_fuzz.cpp" ]; then
  echo "fuzz.sh: no target tests/fuzz/${name}_fuzz.cpp" >&2
  exit 2
fi

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
  -DZEPA_BUILD_FUZZ=ON -DZEPA_BUILD_TESTS=OFF -DZEPA_BUILD_BENCH=OFF >/dev/null
cmake --build "$out" -j"${ZEPA_FUZZ_JOBS:-2}" --target "${name}_fuzz"

corpus="$out/corpus/$name"
findings="$out/findings/$name"
mkdir -p "$corpus" "$findings"
if [ -f "$root/tests/fuzz/seeds/$name.sh" ]; then
  bash "$root/tests/fuzz/seeds/$name.sh" "$corpus"
fi

# Leaks of fontconfig's own caches are not ours; every other leak fails.
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}"
cd "$findings"
exec "$out/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" -max_len=8192 \
  -print_final_stats=1 -artifact_prefix="$findings/" "$corpus"
