#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
# Tests never need a display; the one SDL smoke test starts its own Xvfb.
export SDL_AUDIODRIVER=dummy
unset DISPLAY
ctest --test-dir build --output-on-failure -j"$(nproc)"
