#!/usr/bin/env bash
# An installed zepa plays the demo, movie included, from a folder that is
# neither the build nor the sources, and every installed tool tells its
# version.
set -uo pipefail
build=$1
version=$2
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir" 2>/dev/null; rm -rf "$dir"' EXIT
failed=0
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }

prefix=/opt/zepa-test
if ! DESTDIR="$dir/root" timeout 120 cmake --install "$build" --prefix "$prefix" >"$dir/install.log" 2>&1; then
  cat "$dir/install.log"
  echo "FAILED: cmake --install"
  exit 1
fi
root=$dir/root$prefix
for tool in zepa zepa-pack zepa-save zepa-codec; do
  [ -x "$root/bin/$tool" ] || fail "$tool not installed in bin/"
done
ls "$root"/lib*/zepa/libzepa_movie.so >/dev/null 2>&1 || fail "the movie module is not in the library folder"
[ -f "$root/share/zepa/demo/rurirora.ini" ] || fail "the demo is not in share/zepa/demo"

for tool in zepa zepa-pack zepa-save zepa-codec; do
  out=$(timeout 10 "$root/bin/$tool" --version 2>&1)
  status=$?
  [ "$status" = 0 ] || fail "$tool --version exited $status"
  grep -qE "^$tool $version( \(.+\))?\$" <<<"$out" || fail "$tool --version printed \"$out\""
done

# The build folder and the sources out of reach: a copy of the install that
# still found the module there would fail here.
cp -a "$root" "$dir/moved"
mkdir "$dir/elsewhere" "$dir/saves"
cd "$dir/elsewhere" || exit 1
# The demo opens with its movie; a click skips the title and the first text.
printf '1000 click 320 240\n3000 click 320 240\n' >"$dir/events"
err=$(timeout 120 "$dir/moved/bin/zepa" --headless --game "$dir/moved/share/zepa/demo" \
  --save-dir "$dir/saves" --input "$dir/events" --until 20000 --dump "$dir/state.json" 2>&1 >/dev/null)
status=$?
[ "$status" = 0 ] || fail "the installed demo exited $status: $err"
grep -q "movies cannot be played" <<<"$err" && fail "the installed zepa did not find its movie module: $err"
[ -s "$dir/state.json" ] || fail "the installed demo wrote no dump"

# A manual page for every tool, naming every option its --help lists, with
# the program's version; man renders each without a warning.
for tool in zepa zepa-pack zepa-save zepa-codec; do
  page=$root/share/man/man1/$tool.1.gz
  if [ ! -f "$page" ]; then
    fail "no manual page for $tool"
    continue
  fi
  text=$(gzip -dc "$page" | sed 's/\\-/-/g')
  grep -q "^\.TH .* \"zepa $version\"" <<<"$text" || fail "the $tool page does not show version $version"
  for option in $(timeout 10 "$root/bin/$tool" --help 2>&1 | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$text" || fail "the $tool page does not describe $option"
  done
  if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man warns on the $tool page: $warnings"
  fi
  completion=$root/share/bash-completion/completions/$tool
  [ -f "$completion" ] || fail "no bash completion for $tool"
done
# The completion offers every option of zepa.
for option in $(timeout 10 "$root/bin/zepa" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
  words=$(bash -c 'source "$1"; COMP_WORDS=(zepa "$2"); COMP_CWORD=1; _zepa; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$root/share/bash-completion/completions/zepa" "$option")
  grep -qx -- "$option" <<<"$words" || fail "bash completion does not offer $option"
done

# The icon the desktop entry names, at every size the menus ask for.
for size in 48 128 256; do
  png=$root/share/icons/hicolor/${size}x$size/apps/zepa.png
  [ "$(head -c 8 "$png" 2>/dev/null | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] ||
    fail "no PNG icon at ${size}x$size"
  [ "$(od -An -tx1 -j16 -N8 "$png" 2>/dev/null | tr -d ' \n')" = "$(printf '%08x%08x' "$size" "$size")" ] ||
    fail "the ${size}x$size icon is not $size pixels square"
done
grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/zepa.svg" 2>/dev/null || fail "no scalable icon"

# Without its module the installed zepa says every place it looked.
cp -a "$dir/moved" "$dir/nomodule"
rm -f "$dir"/nomodule/lib*/zepa/libzepa_movie.so
err=$(cd "$dir/elsewhere" && timeout 120 "$dir/nomodule/bin/zepa" --headless --game "$dir/moved/share/zepa/demo" \
  --input "$dir/events" --until 20000 2>&1 >/dev/null)
for place in "$dir/nomodule/bin/libzepa_movie.so" "$dir/nomodule/libzepa_movie.so" "$dir"/nomodule/lib*/zepa/; do
  grep -qF -- "$place" <<<"$err" || fail "the missing module's message does not name $place: $err"
done

# Started from the menu with no game: the folder chooser asks, the demo is
# picked there and played, and goes first in the list of folders played.
mkdir "$dir/empty" "$dir/xdg"
printf '100 file %s\n1000 click 320 240\n3000 click 320 240\n' "$dir/moved/share/zepa/demo" >"$dir/choose"
err=$(cd "$dir/empty" && XDG_DATA_HOME=$dir/xdg timeout 120 "$dir/moved/bin/zepa" --headless \
  --input "$dir/choose" --until 20000 --dump "$dir/chosen.json" 2>&1 >/dev/null)
status=$?
[ "$status" = 0 ] || fail "the demo picked in the folder chooser exited $status: $err"
grep -q '"picture": *"[^"]*/share/zepa/demo/' "$dir/chosen.json" 2>/dev/null ||
  fail "the folder chooser's pick did not play the demo"
[ "$(head -n1 "$dir/xdg/zepa/recent-folders" 2>/dev/null)" = "$dir/moved/share/zepa/demo" ] ||
  fail "the folder picked is not first among the folders played"

# A game installed read-only (root would write anyway, so the game runs as
# nobody then): the configuration's write-back goes to the player's folder
# for the game, the game's own file stays as installed, and the next start
# reads the player's settings over the game's.
player() {
  if [ "$(id -u)" = 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi
}
if [ "$(id -u)" = 0 ] && ! command -v setpriv >/dev/null; then
  echo "skipped: running as root without setpriv, the read-only game is not played"
else
  ro=$dir/readonly
  cp -a "$dir/moved" "$ro"
  chmod -R a-w "$ro"
  mkdir "$dir/ro-home" "$dir/ro-out"
  chmod 755 "$dir"
  chmod 777 "$dir/ro-home" "$dir/ro-out"
  demo_ini=$ro/share/zepa/demo/rurirora.ini
  own=$dir/ro-home/zepa/demo/rurirora.ini
  (cd "$dir/ro-out" && HOME=$dir/ro-home XDG_DATA_HOME=$dir/ro-home player timeout 120 "$ro/bin/zepa" \
    --headless --game "$ro/share/zepa/demo" --input "$dir/events" --until 20000 --write-config) \
    >"$dir/ro.log" 2>&1 || fail "the read-only demo exited $?: $(cat "$dir/ro.log")"
  cmp -s "$demo_ini" "$root/share/zepa/demo/rurirora.ini" || fail "the read-only game's rurirora.ini was changed"
  grep -q '^TELOWAIT=40' "$own" 2>/dev/null || fail "the configuration was not written back into $own"
  sed -i 's/^TELOWAIT=40/TELOWAIT=7/' "$own" 2>/dev/null
  (cd "$dir/ro-out" && HOME=$dir/ro-home XDG_DATA_HOME=$dir/ro-home player timeout 120 "$ro/bin/zepa" \
    --headless --game "$ro/share/zepa/demo" --input "$dir/events" --until 20000 --dump "$dir/ro-out/state.json") >/dev/null 2>&1
  grep -q '"text_wait": *7[,}]' "$dir/ro-out/state.json" 2>/dev/null ||
    fail "the player's configuration was not read over the read-only game's"
fi

desktop=$root/share/applications/zepa.desktop
if [ ! -f "$desktop" ]; then
  fail "zepa.desktop is not in share/applications"
else
  grep -qx 'Exec=zepa %f' "$desktop" || fail "zepa.desktop does not run zepa %f"
  grep -qx 'Icon=zepa' "$desktop" || fail "zepa.desktop names no icon"
  # A file manager offers the entry for a save file: the type it names is
  # one the installed type list gives to *.kvd.
  mime=$(sed -n 's/^MimeType=\([^;]*\);$/\1/p' "$desktop")
  types=$root/share/mime/packages/zepa.xml
  [ -n "$mime" ] && [ -f "$types" ] && grep -q "<mime-type type=\"$mime\">" "$types" &&
    grep -q '<glob pattern="\*.kvd"/>' "$types" || fail "no file type of the desktop entry is given to .kvd files"
  if command -v update-mime-database >/dev/null && [ -f "$types" ]; then
    mkdir -p "$dir/mime/packages" && cp "$types" "$dir/mime/packages/"
    update-mime-database "$dir/mime" 2>/dev/null && grep -q "$mime:\*.kvd" "$dir/mime/globs" ||
      fail "update-mime-database does not take the file type"
  fi
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate refuses zepa.desktop"
  else
    echo "skipped: desktop-file-validate is not installed, zepa.desktop not validated"
  fi
fi

# What software centres read: this release, screenshots that are real
# pictures of the demo shipped with the sources, and a valid file.
sources=$(cd "$(dirname "$0")/../.." && pwd)
metainfo=$(ls "$root"/share/metainfo/*.metainfo.xml 2>/dev/null | head -n1)
if [ -z "$metainfo" ]; then
  fail "no AppStream metainfo in share/metainfo"
else
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo does not list release $version"
  grep -q "<launchable type=\"desktop-id\">zepa.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch zepa.desktop"
  shots=$(grep -oE '/screenshots/[^<]+\.png' "$metainfo")
  [ -n "$shots" ] || fail "the metainfo shows no screenshots"
  for shot in $shots; do
    [ "$(head -c 8 "$sources/docs$shot" 2>/dev/null | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] ||
      fail "the screenshot docs$shot is not in the sources"
  done
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >"$dir/appstream.log" 2>&1 ||
      fail "appstreamcli refuses the metainfo: $(cat "$dir/appstream.log")"
    appstreamcli validate-tree --no-net "$root" >"$dir/tree.log" 2>&1 ||
      fail "appstreamcli refuses the installed tree: $(cat "$dir/tree.log")"
  else
    echo "skipped: appstreamcli is not installed, the metainfo is not validated"
  fi
fi

[ "$failed" = 0 ] && echo "install plays the demo"
exit $((failed > 0))
