#!/bin/sh
# Seeds for event_script_fuzz: every action once, comments and bad lines.
set -eu
out="$1"
mkdir -p "$out"
printf '# a run\n0 click 10 20\n5 rclick 639 479\n5 mclick 0 0 # note\n10 move 1 2\n20 wheel -3\n30 key ctrl+shift+L\n40 hold mbutton 500\n50 shot out dir/a b.png\n60 dump x.json\n70 quit\n' > "$out/all"
printf '0 key F12\n1 key return\n2 hold Space 2147483647\n' > "$out/keys"
printf '10 click 1 1\n5 click 1 1\n' > "$out/backwards"
printf '0 click 640 0\n' > "$out/outside"
printf '99999999999 quit\n-1 quit\n' > "$out/times"
