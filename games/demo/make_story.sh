#!/usr/bin/env bash
# Turns story_source.txt (UTF-8) into the game's story.kvs (Shift-JIS, CR LF).
set -euo pipefail
cd "$(dirname "$0")"
iconv -f UTF-8 -t CP932 story_source.txt | sed 's/$/\r/' > story.kvs
