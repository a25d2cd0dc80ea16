#!/usr/bin/env bash
# `zepa --explore` from the command line: the exit status, the report files,
# and --svg with or without Graphviz.
set -uo pipefail
zepa=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failed=0
fail() {
  echo "FAILED: $*"
  failed=$((failed + 1))
}

mkdir -p "$dir/game/se"
printf 'RIFF' > "$dir/game/se/sleep.wav"
printf '#a\r\n[text]hi\r\n[sel]on\\nback\r\n[if]SELECT=2[go]#a\r\n#b\r\n[go]#gone\r\n[end]\r\n' \
  > "$dir/game/story.kvs"

out=$("$zepa" --explore "$dir/game" --json "$dir/r.json" --dot "$dir/g.dot" 2>&1)
status=$?
[ "$status" = 1 ] || fail "a game with a problem exits $status, not 1: $out"
grep -qF 'story.kvs:6: problem unknown_label' <<<"$out" || fail "no problem line in: $out"
python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert r["labels_reached"]==["#a","#b"], r' \
  "$dir/r.json" || fail "the JSON report is not as written"
grep -qF '"#a" -> "#b" [label="on"];' "$dir/g.dot" || fail "the graph lacks the choice edge: $(cat "$dir/g.dot")"

out=$("$zepa" --explore "$dir/game" --svg "$dir/g.svg" 2>&1)
status=$?
if command -v dot >/dev/null; then
  [ -s "$dir/g.svg" ] || fail "dot is installed but no picture was made: $out"
else
  [ "$status" = 2 ] || fail "--svg without Graphviz exits $status, not 2"
  grep -qF 'not installed' <<<"$out" || fail "--svg without Graphviz does not say so: $out"
fi

"$zepa" --explore "$dir/none" >/dev/null 2>&1
[ $? = 2 ] || fail "a missing game directory does not exit 2"
"$zepa" --explore "$dir/game" --max-states 0 >/dev/null 2>&1
[ $? = 2 ] || fail "--max-states 0 is taken"

[ "$failed" = 0 ] && echo "all passed"
exit "$failed"
