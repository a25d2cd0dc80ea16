#!/usr/bin/env bash
# Installs what zepa needs to build, test and run on Debian 12 (run as root).
# Only packages that are missing are installed, so a second run is quick.
set -euo pipefail

PACKAGES=(
  g++ cmake pkg-config make
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev
  libjpeg-dev libpng-dev
  libimgui-dev
  libfontconfig-dev fonts-ipafont-gothic
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  nlohmann-json3-dev
  xvfb xauth imagemagick ffmpeg freepats xdotool twm
  clang libclang-rt-14-dev
  python3
  dpkg-dev lintian desktop-file-utils appstream man-db
)

# --windows adds the cross compilers and Wine (scripts/windows-tests.sh).
if [ "${1:-}" = --windows ]; then
  PACKAGES=(
    mingw-w64 gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
    wine64 nasm ninja-build dpkg-dev xvfb xauth zip
    freepats fonts-ipafont-gothic googletest
  )
fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
