#!/usr/bin/env bash
# Game code reaches the disk only through platform::Files: <filesystem>,
# <fstream>, their types and fopen belong to src/platform/, tools/ and the
# pre-play checker. Fails naming every other file that uses them, including
# one that reaches std::filesystem through another header.
set -uo pipefail
src=$1/src
pattern='#include <(filesystem|fstream)>|\bfopen\b|std::filesystem|std::(i|o)?fstream|std::filebuf'

failed=0
while IFS= read -r file; do
  rel=${file#"$1"/}
  case $rel in
    src/platform/* | src/check/*) continue ;;
  esac
  grep -nE "$pattern" "$file" | sed "s|^|$rel:|"
  failed=1
done < <(grep -rlE "$pattern" "$src" | sort)

[ "$failed" = 0 ] || echo "FAILED: the files above reach the disk around platform::Files"
exit "$failed"
