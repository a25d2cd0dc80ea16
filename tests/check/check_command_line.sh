#!/usr/bin/env bash
# `zepa --check` and `--check --json` from the command line: the exit status,
# the phrases of each finding, and JSON that a JSON reader accepts.
set -uo pipefail
zepa=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failed=0

fail() {
  echo "FAILED: $*"
  failed=$((failed + 1))
}

# has NAME TEXT PHRASE...: TEXT holds every PHRASE.
has() {
  local name=$1 text=$2
  shift 2
  for phrase in "$@"; do
    grep -qF -- "$phrase" <<<"$text" || fail "$name lacks \"$phrase\" in: $text"
  done
}

mkdir -p "$dir/clean/se" "$dir/broken"
printf 'RIFF' > "$dir/clean/se/sleep.wav"
printf '[set]a=1\r\n' > "$dir/clean/story.kvs"
printf '[POS]\r\nMESAGEX=10\r\n' > "$dir/broken/rurirora.ini"
printf '[go]#nowhere\r\n' > "$dir/broken/story.kvs"

out=$("$zepa" --check --game "$dir/clean")
status=$?
[ "$status" = 0 ] || fail "a clean game exits $status, not 0: $out"
has "clean report" "$out" "0 errors" "1 scenario (1 line)"

out=$("$zepa" --check --game "$dir/broken")
status=$?
[ "$status" = 1 ] || fail "a broken game exits $status, not 1: $out"
has "broken report" "$out" "rurirora.ini:2: error: unknown key POS/MESAGEX" \
  "did you mean POS/MESSAGEX?" "story.kvs:1: error: no label #nowhere" "2 errors"

out=$("$zepa" --check --json --game "$dir/broken")
status=$?
[ "$status" = 1 ] || fail "--json on a broken game exits $status, not 1"
has "JSON report" "$out" '"file":"rurirora.ini","line":2,"severity":"error"' \
  '"file":"story.kvs","line":1' '"errors":2' '"scenarios":1'
if command -v python3 >/dev/null; then
  python3 -c 'import json, sys; r = json.load(sys.stdin); assert len(r["findings"]) == r["errors"] + r["notes"]' \
    <<<"$out" || fail "--json does not print one JSON object: $out"
fi

# A start scenario on the command line replaces MAIN/SCENARIO.
out=$("$zepa" --check --game "$dir/clean" other.kvs)
[ $? = 1 ] || fail "a missing start scenario is not an error: $out"
has "named scenario" "$out" 'scenario "other.kvs" not found'

# --strict notes what the game handles by its own choice.
printf '#start\r\n[set]a=1\r\n' > "$dir/clean/story.kvs"
out=$("$zepa" --check --game "$dir/clean")
has "plain report" "$out" "0 errors, 0 notes"
out=$("$zepa" --check --strict --game "$dir/clean")
[ $? = 0 ] || fail "notes alone make --strict exit non-zero: $out"
has "strict report" "$out" "story.kvs:1: note: label #start" "0 errors, 1 note"
err=$("$zepa" --strict --game "$dir/clean" 2>&1 >/dev/null)
[ $? = 2 ] || fail "--strict without --check is not a usage error"
has "usage" "$err" "--strict needs --check"

err=$("$zepa" --json --game "$dir/clean" 2>&1 >/dev/null)
[ $? = 2 ] || fail "--json without --check is not a usage error"
has "usage" "$err" "--json needs --check"
err=$("$zepa" --check --game "$dir/none" 2>&1 >/dev/null)
[ $? = 2 ] || fail "a missing game directory is not a usage error"
has "usage" "$err" "no game directory"

# `zepa new` makes a game that checks clean and plays headless to its end;
# it never writes into a folder in use.
out=$("$zepa" new "$dir/made" --title "Made here")
[ $? = 0 ] || fail "zepa new failed: $out"
out=$("$zepa" --check --game "$dir/made")
[ $? = 0 ] || fail "the new game does not check clean: $out"
has "new game report" "$out" "0 errors, 0 notes"
for t in $(seq 3000 2000 59000); do printf '%s move 100 400\n%s click 100 400\n' "$t" "$((t + 5))"; done >"$dir/events"
"$zepa" --headless --game "$dir/made" --input "$dir/events" --dump "$dir/made.json" --until 120000
[ $? = 0 ] || fail "the new game's headless run failed"
has "new game's end" "$(cat "$dir/made.json")" '"scene": "#ending"' '"SELECT": "2"'
err=$("$zepa" new "$dir/made" 2>&1)
[ $? = 1 ] || fail "zepa new into a folder in use is not refused"
has "refusal" "$err" "exists and is not empty"

[ "$failed" = 0 ] && echo "all passed"
exit "$((failed != 0))"
