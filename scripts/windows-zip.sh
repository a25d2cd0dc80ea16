#!/usr/bin/env bash
# Makes build-windows/zepa-<version>-windows-x64.zip for players: the
# programs and the movie DLL, the message font, the MIDI patches, the demo,
# a README in Japanese and English, and the licences of everything inside.
# Run after the windows preset is built (scripts/windows-tests.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
TRIPLE=x86_64-w64-mingw32
version=$(sed -n 's/^project(zepa VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=zepa-$version-windows-x64
stage=$build/zip/$name
prefix=${ZEPA_WINDOWS_PREFIX:-$(bash scripts/windows-deps.sh --print-prefix)}
font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
patches=/usr/share/midi/freepats

for f in "$build"/zepa.exe "$build"/libzepa_movie.dll "$build"/tools/zepa-pack.exe \
  "$build"/tools/zepa-save.exe "$build"/tools/zepa-codec.exe "$font" /etc/timidity/freepats.cfg; do
  [ -e "$f" ] || { echo "windows-zip: missing $f" >&2; exit 1; }
done

rm -rf "$build/zip"
mkdir -p "$stage"/{fonts,licences}
cp "$build"/zepa.exe "$build"/libzepa_movie.dll "$build"/tools/zepa-{pack,save,codec}.exe "$stage/"
$TRIPLE-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll
cp "$font" "$stage/fonts/"
# The patches with a configuration of their own: the cfg's folder is where
# the player looks for them, wherever the zip was unpacked.
cp -r "$patches" "$stage/freepats"
grep -v '^dir ' /etc/timidity/freepats.cfg >"$stage/freepats/freepats.cfg"
# The demo as it is played, without the scripts that make it.
cp -r games/demo "$stage/demo"
rm -f "$stage"/demo/make_*.sh "$stage/demo/story_source.txt"

# Licences: zepa's own, each library linked into the programs, the font,
# the patches, and the compiler's runtime linked in statically.
cp data/debian/copyright "$stage/licences/zepa.txt"
for f in "$prefix"/share/licences/*.txt; do
  case $f in */googletest.txt) ;; *) cp "$f" "$stage/licences/" ;; esac
done
cp /usr/share/doc/fonts-ipafont-gothic/copyright "$stage/licences/fonts-ipafont-gothic.txt"
cp /usr/share/doc/freepats/copyright "$stage/licences/freepats.txt"
for doc in mingw-w64-common gcc-mingw-w64-base; do
  [ -f "/usr/share/doc/$doc/copyright" ] && cp "/usr/share/doc/$doc/copyright" "$stage/licences/$doc.txt"
done

# Windows' own tools read text with CRLF line ends.
sed 's/$/\r/' data/windows/README.txt >"$stage/README.txt"

rm -f "$build/$name.zip"
(cd "$build/zip" && zip -qr9 "../$name.zip" "$name")
echo "windows-zip: $build/$name.zip ($(stat -c %s "$build/$name.zip") bytes)"
