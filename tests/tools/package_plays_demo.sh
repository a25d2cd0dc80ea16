#!/usr/bin/env bash
# The Debian package made by cpack installs a zepa that plays the demo,
# movie included: the package is unpacked with dpkg-deb into a scratch
# folder and played from there. Its dependencies, papers, desktop entry,
# metainfo and manual pages are checked, and lintian finds no error.
# Exits 77 (skipped) where dpkg-deb is not installed.
set -uo pipefail
build=$1
version=$2
if ! command -v dpkg-deb >/dev/null || ! command -v dpkg >/dev/null; then
  echo "skipped: dpkg-deb is not installed, the package is not made"
  exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failed=0
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }

deb=$build/zepa_${version}_$(dpkg --print-architecture).deb
rm -f "$deb"
if ! (cd "$build" && timeout 900 cpack -G DEB) >"$dir/cpack.log" 2>&1 || [ ! -f "$deb" ]; then
  tail -n 30 "$dir/cpack.log"
  echo "FAILED: cpack -G DEB made no $deb"
  exit 1
fi

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for need in freepats fonts-ipafont-gothic libsdl2-2.0-0 libavcodec; do
  grep -q "$need" <<<"$depends" || fail "the package does not depend on $need: $depends"
done

root=$dir/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
[ -s "$root/usr/share/doc/zepa/copyright" ] || fail "no copyright file"
gzip -t "$root/usr/share/doc/zepa/changelog.gz" 2>/dev/null || fail "no changelog"

mkdir "$dir/elsewhere" "$dir/home"
printf '1000 click 320 240\n3000 click 320 240\n' >"$dir/events"
err=$(cd "$dir/elsewhere" && XDG_DATA_HOME=$dir/home timeout 120 "$root/usr/bin/zepa" --headless \
  --game "$root/usr/share/zepa/demo" --input "$dir/events" --until 20000 --dump "$dir/state.json" 2>&1 >/dev/null)
status=$?
[ "$status" = 0 ] || fail "the packaged demo exited $status: $err"
grep -q "movies cannot be played" <<<"$err" && fail "the packaged zepa did not find its movie module: $err"
grep -q '"picture": *"[^"]*/usr/share/zepa/demo/' "$dir/state.json" 2>/dev/null ||
  fail "the packaged demo did not play"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/zepa.desktop" || fail "desktop-file-validate refuses zepa.desktop"
else
  echo "skipped: desktop-file-validate is not installed"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$dir/as.log" 2>&1 ||
    fail "appstreamcli refuses the metainfo: $(cat "$dir/as.log")"
else
  echo "skipped: appstreamcli is not installed"
fi
if command -v man >/dev/null; then
  for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man warns on $(basename "$page"): $warnings"
  done
fi
if command -v lintian >/dev/null; then
  timeout 300 lintian --tag-display-limit 0 "$deb" >"$dir/lintian.log" 2>&1
  grep '^W:' "$dir/lintian.log"
  grep -q '^E:' "$dir/lintian.log" && fail "lintian reports errors: $(grep '^E:' "$dir/lintian.log")"
else
  echo "skipped: lintian is not installed, the package is not linted"
fi

[ "$failed" = 0 ] && echo "the package plays the demo"
exit $((failed > 0))
