#!/usr/bin/env bash
# The headless run's exit status: outputs that cannot be written are 3,
# inputs that cannot be read are 2, and each message names the file.
set -uo pipefail
zepa=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/game"
printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/game/rurirora.ini"
printf '[set]a=1\r\n[text]hello\r\n' > "$dir/game/story.kvs"
mkdir "$dir/folder"
printf '0 click 10 10\n' > "$dir/events"
failed=0
passed=0

# expect STATUS TEXT ARGS...: the run exits STATUS and its stderr holds TEXT.
expect() {
  local want=$1 text=$2
  shift 2
  local err status
  err=$(timeout 60 "$zepa" --headless --game "$dir/game" --until 5000 "$@" 2>&1 >/dev/null)
  status=$?
  if [ "$status" != "$want" ] || ! grep -qF -- "$text" <<<"$err"; then
    echo "FAILED: zepa $* exited $status (want $want), stderr: $err (want \"$text\")"
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
}

expect 0 "" --dump "$dir/state.json" --shot "$dir/shot.png"
[ -s "$dir/state.json" ] && [ -s "$dir/shot.png" ] || { echo "FAILED: outputs missing"; failed=$((failed + 1)); }
expect 3 "$dir/folder" --dump "$dir/folder"
expect 3 "$dir/missing/state.json" --dump "$dir/missing/state.json"
expect 3 "$dir/missing/shot.png" --shot "$dir/missing/shot.png"
expect 3 "$dir/folder" --shot "$dir/folder"
expect 3 "$dir/shot.gif: the name must end in .png or .bmp" --shot "$dir/shot.gif"
printf '100 dump %s\n200 shot %s\n' "$dir/missing/a.json" "$dir/missing/b.png" > "$dir/bad_events"
expect 3 "$dir/missing/a.json" --input "$dir/bad_events"
expect 3 "$dir/missing/b.png" --input "$dir/bad_events"
expect 2 "$dir/folder: is a directory" --input "$dir/folder"
expect 2 "$dir/none" --input "$dir/none"
mkfifo "$dir/fifo" "$dir/fifo.png"
expect 2 "$dir/fifo: not a regular file" --input "$dir/fifo"
expect 0 "" --input "$dir/events"
# A game that never ends stops at SIGTERM or SIGINT, with its dump and shot.
mkdir "$dir/endless"
printf '[SCREEN]\r\nFULL=0\r\n[TITLE]\r\nTIME=0\r\n' > "$dir/endless/rurirora.ini"
printf '#loop\r\n[set]a=1\r\n[go]#loop\r\n' > "$dir/endless/story.kvs"
for sig in TERM INT; do
  rm -f "$dir/end.json" "$dir/end.png"
  timeout --preserve-status -s "$sig" -k 20 2 "$zepa" --headless --game "$dir/endless" --dump "$dir/end.json" \
    --shot "$dir/end.png" >/dev/null 2>&1
  status=$?
  want=$([ "$sig" = TERM ] && echo 143 || echo 130)
  if [ "$status" != "$want" ] || [ ! -s "$dir/end.json" ] || [ ! -s "$dir/end.png" ]; then
    echo "FAILED: SIG$sig gave status $status (want $want) or no dump and shot"
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
# Headless runs are tests: the game's configuration stays as the author wrote
# it unless --write-config asks for the write-back.
cp "$dir/game/rurirora.ini" "$dir/ini.before"
expect 0 "" --input "$dir/events"
cmp -s "$dir/ini.before" "$dir/game/rurirora.ini" || { echo "FAILED: a headless run rewrote rurirora.ini"; failed=$((failed + 1)); }
expect 0 "" --write-config
grep -q 'TELOWAIT' "$dir/game/rurirora.ini" || { echo "FAILED: --write-config wrote nothing back"; failed=$((failed + 1)); }
cp "$dir/ini.before" "$dir/game/rurirora.ini"
chmod a-w "$dir/game/rurirora.ini"
expect 0 "the configuration was not written back: $dir/game/rurirora.ini" --write-config
chmod u+w "$dir/game/rurirora.ini"
# FIFOs and endless devices are refused, never waited on or read for ever.
expect 0 "cannot read the desktop picture /dev/zero" --desktop /dev/zero
expect 0 "cannot read the desktop picture $dir/fifo" --desktop "$dir/fifo"
expect 0 "cannot read the desktop picture $dir/fifo.png" --desktop "$dir/fifo.png"
timeout 60 "$zepa" --check --game "$dir/game" --font "$dir/fifo" story.kvs >/dev/null 2>&1
[ "$?" != 124 ] || { echo "FAILED: zepa --check --font FIFO did not finish"; failed=$((failed + 1)); }
"$zepa" --help | grep -q "exit status" || { echo "FAILED: --help does not explain the exit status"; failed=$((failed + 1)); }

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
