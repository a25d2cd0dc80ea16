#!/bin/sh
# Seeds for expression_fuzz: the shapes scenarios use in [set], [if] and text.
set -eu
out="$1"
mkdir -p "$out"
printf 'a=1+2*3' > "$out/seed_set"
printf 'a<>RND(6)[go]#x\n' > "$out/seed_if"
printf 'x="\x88\xa4"' > "$out/seed_quote"
printf 'hi $a$ %%s %%v\\n\nnext\n#label' > "$out/seed_text"
printf '((2)*(3+b))/0%%a' > "$out/seed_groups"
