#!/usr/bin/env bash
# Installs what is missing, builds, and plays the bundled demo game.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec build/zepa --game games/demo "$@"
