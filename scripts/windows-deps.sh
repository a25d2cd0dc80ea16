#!/usr/bin/env bash
# Cross-builds the libraries zepa.exe needs for 64-bit Windows from Debian's
# own source packages, at pinned versions, into a prefix kept between runs:
#   ${XDG_CACHE_HOME:-$HOME/.cache}/zepa/windows-deps/<hash of the versions>
# A prefix that is complete is used as it is; a new pin makes a new prefix.
# Everything is linked statically, so the programs need no library DLLs.
#
#   scripts/windows-deps.sh                 builds what is missing
#   scripts/windows-deps.sh --print-prefix  prints where the prefix is
#
# The source packages come through apt with a deb-src entry in an apt folder
# of the script's own, so the system's lists and sources stay untouched.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TRIPLE=x86_64-w64-mingw32

# Debian 12's source packages. The patches and the font come from the Linux
# packages that scripts/setup.sh installs (freepats, fonts-ipafont-gothic).
PINS=(
  "zlib=1:1.2.13.dfsg-1"
  "libpng1.6=1.6.39-2+deb12u5"
  "libjpeg-turbo=1:2.1.5-2"
  "freetype=2.12.1+dfsg-5+deb12u4"
  "libsdl2=2.26.5+dfsg-1"
  "libsdl2-mixer=2.6.2+dfsg-2"
  "libsdl2-ttf=2.20.1+dfsg-2"
  "imgui=1.86+ds-1"
  "ffmpeg=7:5.1.9-0+deb12u1"
)
# The test framework, only for the test programs run under Wine; nothing
# links against it, so it is rebuilt alone when its version moves.
TEST_PIN="googletest=1.12.1-0.2"
# Raised when the way a library is configured changes, so the prefix is
# rebuilt although no version moved.
RECIPE=2

CACHE=${ZEPA_WINDOWS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zepa/windows-deps}
HASH=$(printf '%s\n' "${PINS[@]}" "recipe $RECIPE" | sha256sum | cut -c1-16)
PREFIX=$CACHE/$HASH

if [ "${1:-}" = --print-prefix ]; then
  echo "$PREFIX"
  exit 0
fi
if [ -f "$PREFIX/.complete" ] && [ "$(cat "$PREFIX/.test-framework" 2>/dev/null)" = "$TEST_PIN" ]; then
  echo "windows-deps: prefix up to date: $PREFIX" >&2
  exit 0
fi

JOBS=${ZEPA_WINDOWS_JOBS:-$(nproc)}
log() { echo "windows-deps: $*" >&2; }
[ -d /usr/include/nlohmann ] || { log "missing nlohmann-json3-dev (scripts/setup.sh installs it)"; exit 1; }
for tool in $TRIPLE-gcc-posix $TRIPLE-g++-posix $TRIPLE-windres nasm ninja cmake dpkg-source; do
  command -v "$tool" >/dev/null || { log "missing $tool (scripts/setup.sh --windows installs it)"; exit 1; }
done

# The apt folder: one deb-src entry for this system's Debian suite and its
# security updates, lists and downloads of its own.
APT=$CACHE/apt
. /etc/os-release
SUITE=${VERSION_CODENAME:-bookworm}
mkdir -p "$APT/sources.list.d" "$APT/lists/partial" "$APT/cache/archives/partial"
cat >"$APT/sources.list.d/zepa-windows.sources" <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $SUITE $SUITE-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $SUITE-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
APT_OPTS=(-o Dir::Etc::sourcelist=/dev/null -o Dir::Etc::sourceparts="$APT/sources.list.d"
          -o Dir::Etc::parts=/dev/null -o Dir::State::Lists="$APT/lists" -o Dir::Cache="$APT/cache"
          -o Debug::NoLocking=1 -o APT::Sandbox::User=root)

SRC=$CACHE/sources
mkdir -p "$SRC"
missing=()
for pin in "${PINS[@]}" "$TEST_PIN"; do
  name=${pin%%=*}
  version=${pin#*=}
  [ -f "$SRC/$name-${version#*:}.dsc" ] || missing+=("$pin")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "fetching ${missing[*]}"
  apt-get "${APT_OPTS[@]}" -qq update
  for pin in "${missing[@]}"; do
    name=${pin%%=*}
    version=${pin#*=}
    (cd "$SRC" && apt-get "${APT_OPTS[@]}" -qq source --download-only "$pin" >/dev/null)
    dsc=$(ls "$SRC"/"${name}"_"${version#*:}".dsc)
    ln -sf "$(basename "$dsc")" "$SRC/$name-${version#*:}.dsc"
  done
fi

WORK=$CACHE/work-$HASH
rm -rf "$WORK"
mkdir -p "$WORK"
unpack() {  # name -> prints the unpacked folder
  local name=$1 version
  for pin in "${PINS[@]}" "$TEST_PIN"; do [ "${pin%%=*}" = "$name" ] && version=${pin#*=}; done
  dpkg-source --no-check -x "$SRC/$name-${version#*:}.dsc" "$WORK/$name" >/dev/null 2>&1
  # Its licence goes into the zip with what is linked from it.
  mkdir -p "$PREFIX/share/licences"
  cp "$WORK/$name/debian/copyright" "$PREFIX/share/licences/$name.txt"
  echo "$WORK/$name"
}

TOOLCHAIN=$ROOT/cmake/toolchains/$TRIPLE.cmake
# -O2, as Debian builds these libraries, rather than CMake's -O3 for
# Release: the same code for a good part less compiling.
OPT="-O2 -DNDEBUG"
cmake_lib() {  # source package, then options
  local src
  src=$(unpack "$1")
  shift
  nice -n 10 cmake -S "$src" -B "$src/_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DZEPA_WINDOWS_PREFIX="$PREFIX" -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE="$OPT" -DCMAKE_CXX_FLAGS_RELEASE="$OPT" \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$src/_build.log" 2>&1 ||
    { tail -30 "$src/_build.log" >&2; return 1; }
  nice -n 10 cmake --build "$src/_build" -j"$JOBS" >>"$src/_build.log" 2>&1 &&
    cmake --install "$src/_build" >>"$src/_build.log" 2>&1 ||
    { tail -30 "$src/_build.log" >&2; return 1; }
}

start=$(date +%s)
# Each library leaves a stamp, so a run that was stopped goes on where it
# stopped instead of starting over.
step() {  # name, then the command that builds it
  local name=$1
  shift
  [ -f "$PREFIX/.built-$name" ] && return 0
  log "$name"
  local t0=$SECONDS c0
  cpu_ticks; c0=$CPU_TICKS
  "$@"
  touch "$PREFIX/.built-$name"
  cpu_ticks
  log "$name built in $((SECONDS - t0)) s ($(((CPU_TICKS - c0) / 100)) s of CPU)"
}
cpu_ticks() {  # the CPU time of this shell's finished children, in ticks of 1/100 s
  local f
  read -r -a f </proc/$BASHPID/stat
  CPU_TICKS=$((f[15] + f[16]))
}
build_test_framework() {
  rm -f "$PREFIX/.test-framework"
  cmake_lib googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  echo "$TEST_PIN" >"$PREFIX/.test-framework"
}
if [ -f "$PREFIX/.complete" ]; then
  log googletest
  build_test_framework
  rm -rf "$WORK"
  log "done in $(($(date +%s) - start)) s"
  exit 0
fi
mkdir -p "$PREFIX"/{bin,include,lib/pkgconfig,share}
log "building into $PREFIX"

build_zlib() {
src=$(unpack zlib)
# Debian's zlib source has no Windows makefile; its few files build directly.
zobjs=()
for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees \
  uncompr zutil; do
  nice -n 10 $TRIPLE-gcc-posix $OPT -c "$src/$f.c" -o "$src/$f.o" || exit 1
  zobjs+=("$src/$f.o")
done
$TRIPLE-ar rcs "$src/libz.a" "${zobjs[@]}"
cp "$src/zlib.h" "$src/zconf.h" "$PREFIX/include/"
cp "$src/libz.a" "$PREFIX/lib/"
cat >"$PREFIX/lib/pkgconfig/zlib.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: zlib
Description: zlib compression library
Version: 1.2.13
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF
}

build_libpng() {
cmake_lib libpng1.6 -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DSKIP_INSTALL_PROGRAMS=ON
}

build_libjpeg() {
cmake_lib libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_TURBOJPEG=OFF -DCMAKE_ASM_NASM_COMPILER=nasm
}

build_freetype() {
cmake_lib freetype -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
}

# Only what zepa uses: video, audio, events, timers, threads, loading the
# movie DLL, the software renderer and the accelerated ones Windows has
# everywhere (Direct3D 9 and 11, OpenGL). No OpenGL ES, no Direct3D 12 (the
# last in SDL's order, tried only when all before it failed), no offscreen
# video, no SDL2main (zepa has its own main), and no compiler cache.
build_sdl2() {
cmake_lib libsdl2 -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_JOYSTICK=OFF \
  -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_VULKAN=OFF -DSDL_LOCALE=OFF \
  -DSDL_OPENGLES=OFF -DHAVE_D3D12_H=OFF -DSDL_OFFSCREEN=OFF -DSDL_XINPUT=OFF -DSDL2_DISABLE_SDL2MAIN=ON \
  -DSDL_CCACHE=OFF
# zepa.exe is a console program with its own main: the link line of the
# package file must not switch it to a GUI program or pull in SDL's WinMain.
sed -i -e 's/ -mwindows//g' -e 's/-lSDL2main//g' -e 's/ -Dmain=SDL_main//g' "$PREFIX/lib/pkgconfig/sdl2.pc"
}

# MIDI through the built-in Timidity only, as on Linux, with the patches
# shipped beside the program (no native Windows MIDI, no FluidSynth).
build_sdl2_mixer() {
cmake_lib libsdl2-mixer -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF \
  -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI_FLUIDSYNTH=OFF \
  -DSDL2MIXER_MIDI_NATIVE=OFF -DSDL2MIXER_MIDI_TIMIDITY=ON -DSDL2MIXER_FLAC_LIBFLAC=OFF \
  -DSDL2MIXER_FLAC_DRFLAC=ON -DSDL2MIXER_MP3_MPG123=OFF -DSDL2MIXER_MP3_DRMP3=ON -DSDL2MIXER_VORBIS=STB
}

build_sdl2_ttf() {
cmake_lib libsdl2-ttf -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF -DSDL2TTF_SAMPLES=OFF
}

# Their CMake builds write package files only for shared libraries.
write_sdl_pc_files() {
for lib in "SDL2_mixer 2.6.2 sdl2" "SDL2_ttf 2.20.1 sdl2 freetype2"; do
  set -- $lib
  cat >"$PREFIX/lib/pkgconfig/$1.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: $1
Description: $1 for SDL2
Version: $2
Requires: ${*:3}
Libs: -L\${libdir} -l$1
Cflags: -I\${includedir}/SDL2
EOF
done
}

build_imgui() {
src=$(unpack imgui)
mkdir -p "$PREFIX/include/imgui/backends" "$PREFIX/share/imgui/backends"
cp "$src"/imgui*.h "$src"/imstb_*.h "$src"/imconfig.h "$src/misc/cpp/imgui_stdlib.h" \
  "$src/misc/freetype/imgui_freetype.h" "$PREFIX/include/imgui/"
cp "$src"/backends/imgui_impl_sdl.* "$src"/backends/imgui_impl_sdlrenderer.* "$PREFIX/share/imgui/backends/"
cp "$src"/backends/imgui_impl_sdl.h "$src"/backends/imgui_impl_sdlrenderer.h "$PREFIX/include/imgui/backends/"
objs=()
# Not the demo window, which zepa never shows.
for f in imgui.cpp imgui_draw.cpp imgui_tables.cpp imgui_widgets.cpp misc/cpp/imgui_stdlib.cpp \
  misc/freetype/imgui_freetype.cpp; do
  o=$WORK/imgui-$(basename "$f" .cpp).o
  nice -n 10 $TRIPLE-g++-posix $OPT -std=c++17 -I"$src" -I"$PREFIX/include/freetype2" -c "$src/$f" -o "$o" &
  objs+=("$o")
done
wait
$TRIPLE-ar rcs "$PREFIX/lib/libimgui.a" "${objs[@]}"
cat >"$PREFIX/lib/pkgconfig/imgui.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include/imgui
Name: imgui
Description: Dear ImGui
Version: 1.86
Requires: freetype2
Libs: -L\${libdir} -limgui
Cflags: -I\${includedir}
EOF
}

# JSON for Modern C++ is headers only: the ones Debian installs for the
# Linux build (nlohmann-json3-dev) serve the cross build as they are.
build_json() {
  cp -r /usr/include/nlohmann "$PREFIX/include/"
  cp /usr/share/doc/nlohmann-json3-dev/copyright "$PREFIX/share/licences/nlohmann-json.txt"
}

# Only the decoders, demuxers and parsers that the movies of such games use
# (MPEG-1/2 and H.264 video, MPEG audio, AAC, PCM): each more costs minutes.
build_ffmpeg() {
src=$(unpack ffmpeg)
decoders=mpeg1video,mpeg2video,h264,mp1,mp2,mp3,aac,pcm_s16le,pcm_s16be,pcm_u8
(cd "$src" && nice -n 10 ./configure --prefix="$PREFIX" --target-os=mingw32 --arch=x86_64 \
  --cross-prefix=$TRIPLE- --cc=$TRIPLE-gcc-posix --cxx=$TRIPLE-g++-posix --enable-static --disable-shared \
  --disable-programs --disable-doc --disable-debug --disable-everything --disable-autodetect \
  --disable-network --disable-avdevice --disable-avfilter --enable-w32threads \
  --enable-decoder=$decoders --enable-demuxer=mpegps,mpegts,mpegvideo,avi,mov,wav,mp3,aac \
  --enable-parser=mpegvideo,h264,mpegaudio,aac --enable-protocol=file \
  --enable-swscale --enable-swresample >"$src/_build.log" 2>&1) ||
  { tail -30 "$src/_build.log" >&2; exit 1; }
nice -n 10 make -C "$src" -j"$JOBS" >>"$src/_build.log" 2>&1 && make -C "$src" install >>"$src/_build.log" 2>&1 ||
  { tail -30 "$src/_build.log" >&2; exit 1; }
}
# Two lanes at once, each library after those it needs: while one lane's
# configure script runs on a single core, the other lane compiles.
(
  step zlib build_zlib
  step libpng build_libpng
  step freetype build_freetype
  step imgui build_imgui
  step nlohmann-json build_json
  step libjpeg-turbo build_libjpeg
  step FFmpeg build_ffmpeg
) &
lane1=$!
(
  step SDL2 build_sdl2
  step SDL2_mixer build_sdl2_mixer
  step googletest build_test_framework
) &
lane2=$!
failed=0
wait $lane1 || failed=1
wait $lane2 || failed=1
[ $failed = 0 ] || { log "a library failed to build"; exit 1; }
step SDL2_ttf build_sdl2_ttf
write_sdl_pc_files

# Static libraries: what a package needs privately is needed by whoever
# links it, so the private lists join the public ones.
for pc in "$PREFIX"/lib/pkgconfig/*.pc; do
  python3 - "$pc" <<'EOF'
import re, sys
path = sys.argv[1]
text = open(path).read()
fields = {}
for key in ("Libs", "Requires"):
    m = re.search(r"^%s\.private:(.*)$" % key, text, re.M)
    if m:
        text = re.sub(r"^%s\.private:.*\n?" % key, "", text, flags=re.M)
        if re.search(r"^%s:" % key, text, re.M):
            text = re.sub(r"^(%s:.*)$" % key, lambda p: p.group(1) + " " + m.group(1).strip(), text, count=1, flags=re.M)
        else:
            text += "%s: %s\n" % (key, m.group(1).strip())
open(path, "w").write(text)
EOF
done

for pin in "${PINS[@]}"; do echo "$pin"; done >"$PREFIX/versions.txt"
touch "$PREFIX/.complete"
rm -rf "$WORK"
log "done in $(($(date +%s) - start)) s"
