#!/usr/bin/env bash
# The Windows build, tested under Wine after the Linux suite: the libraries
# cross-built once into the cache (scripts/windows-deps.sh), zepa.exe, its
# tools and the test programs cross-built in build-windows/, then the
# headless test programs (the demo's golden run among them) run with wine64.
# ZEPA_SKIP_WINDOWS=1 skips it all.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${ZEPA_SKIP_WINDOWS:-0}" = 1 ]; then
  echo "windows: skipped (ZEPA_SKIP_WINDOWS=1)"
  exit 0
fi
# With a budget (.ci/run gives what is left of CI's time), the whole step
# runs under it and stops cleanly, without failing, when it is spent.
budget=${ZEPA_WINDOWS_BUDGET_S:-}
if [ -n "$budget" ] && [ -z "${ZEPA_WINDOWS_INNER:-}" ]; then
  if [ "$budget" -lt 300 ]; then
    echo "windows: skipped: only $budget s of CI's time left, the Windows step needs more"
    exit 0
  fi
  # Without the libraries built, the step takes 10 to 12 minutes on two
  # cores: started with less time than that, it could only be cut short.
  if [ ! -f "$(bash scripts/windows-deps.sh --print-prefix)/.complete" ] && [ "$budget" -lt 900 ]; then
    echo "windows: skipped: the Windows libraries are not built on this machine" \
      "(bash scripts/windows-deps.sh builds them once) and $budget s of CI's time left is too little"
    exit 0
  fi
  rc=0
  ZEPA_WINDOWS_INNER=1 timeout --kill-after=20 "$budget" bash "$0" || rc=$?
  if [ $rc = 124 ] || [ $rc = 137 ]; then
    echo "windows: stopped after $budget s, the rest of CI's time: the Windows tests did not finish (not counted as a failure)"
    exit 0
  fi
  exit $rc
fi
begin=$(date +%s)
stamp() { echo "windows: $* ($(($(date +%s) - begin)) s)"; }

bash scripts/setup.sh --windows
bash scripts/windows-deps.sh
stamp "libraries ready"
ZEPA_WINDOWS_PREFIX=$(bash scripts/windows-deps.sh --print-prefix)
export ZEPA_WINDOWS_PREFIX

# The test programs cross-built and run whole under Wine when asked
# (ZEPA_WINDOWS_TEST_PROGRAMS=1): building them doubles the step's time.
# Left out on Windows at build time (tests/CMakeLists.txt): net, and
# platform's posix/ files: a forked HTTP server, POSIX sockets, fork, chmod.
TEST_PROGRAMS=(zepa_platform_tests zepa_script_tests zepa_engine_tests)
targets=(zepa zepa-pack zepa-save zepa-codec zepa_movie)
[ "${ZEPA_WINDOWS_TEST_PROGRAMS:-0}" = 1 ] && targets+=("${TEST_PROGRAMS[@]}")
cmake --preset windows >/dev/null
cmake --build build-windows -j"$(nproc)" --target "${targets[@]}"
stamp "programs built"

WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX=${ZEPA_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/zepa/wine64}
export WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko: Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export SDL_AUDIODRIVER=dummy
# The system's patches, as the Linux run finds them in /etc.
export TIMIDITY_CFG=/etc/timidity/freepats.cfg
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE" wineboot -i >/dev/null 2>&1 || true
  stamp "wine prefix made"
fi
status=0
for tool in zepa.exe tools/zepa-pack.exe tools/zepa-save.exe tools/zepa-codec.exe; do
  "$WINE" "build-windows/$tool" --version >/dev/null 2>&1 || { echo "windows: $tool does not start"; status=1; }
done

# The demo's golden run, played by zepa.exe under Wine and by the Linux
# build: every shot byte for byte, every dump the same but for the game's
# folder (the movie's length comes through the movie DLL).
[ -x build/zepa ] || { echo "windows: build/zepa is missing (the Linux build runs first)"; exit 1; }
work=build-windows/golden-run
rm -rf "$work"
font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
for side in linux windows; do
  mkdir -p "$work/$side/out"
  cp -r games/demo "$work/$side/game"
  sed "s#@OUT@#$PWD/$work/$side/out#g" tests/engine/golden/demo_events.txt >"$work/$side/events.txt"
done
timeout 300 build/zepa --headless --game "$PWD/$work/linux/game" --font "$font" \
  --input "$work/linux/events.txt" --until 200000 >"$work/linux.log" 2>&1 || true
w1=$(date +%s%N)
timeout 600 "$WINE" build-windows/zepa.exe --headless --game "$PWD/$work/windows/game" --font "$font" \
  --input "$work/windows/events.txt" --until 200000 >"$work/windows.log" 2>&1 || true
echo "windows: the golden run took $((($(date +%s%N) - w1) / 1000000)) ms under Wine"
python3 - "$PWD/$work" <<'EOF' || status=1
import json, os, sys
work = sys.argv[1]
def load(side, name):
    text = open(os.path.join(work, side, "out", name), encoding="utf-8").read()
    game = os.path.join(work, side, "game")
    # Wine shows the Linux folder on drive Z:, spelled with "/" as the
    # platform layer spells names, or with "\\" as the system does.
    spellings = ["Z:" + game, "Z:" + game.replace("/", "\\")] if side == "windows" else [game]
    for spelling in spellings:
        text = text.replace(json.dumps(spelling)[1:-1], "@GAME@")
    return json.loads(text)
names = sorted(os.listdir(os.path.join(work, "linux", "out")))
bad = [n for n in names if not os.path.exists(os.path.join(work, "windows", "out", n))
       or (open(os.path.join(work, "linux", "out", n), "rb").read()
           != open(os.path.join(work, "windows", "out", n), "rb").read() if n.endswith(".png")
           else load("linux", n) != load("windows", n))]
shots = sum(n.endswith(".png") for n in names)
if not names or bad:
    print("windows: the golden run differs from Linux in", ", ".join(bad) or "everything (no output)")
    sys.exit(1)
print("windows: the golden run matches Linux: %d shots and %d dumps" % (shots, len(names) - shots))
EOF

if [ "${ZEPA_WINDOWS_TEST_PROGRAMS:-0}" = 1 ]; then
  for name in "${TEST_PROGRAMS[@]}"; do
    if timeout 900 "$WINE" "build-windows/tests/$name.exe" >"build-windows/$name.log" 2>&1; then
      echo "windows: $name passed ($(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "build-windows/$name.log" | tail -1))"
    else
      echo "windows: $name FAILED (build-windows/$name.log)"
      grep -E '^\[  FAILED  \]' "build-windows/$name.log" | head -20
      status=1
    fi
  done
fi
"$(dirname "$(readlink -f "$WINE")")/wineserver" -k 2>/dev/null || true
stamp "tests under Wine done"
exit $status
