#!/usr/bin/env bash
# Cross-builds the Windows dependencies from Debian's own source packages with
# mingw-w64 (posix threads), once, into a cache outside the repository:
#   core: pugixml, libmodbus, GoogleTest  (minutes; the Windows core tests need them)
#   qt:   qtbase with Core, Gui, Widgets, Test and the windows platform and style
#         plugins  (about 40 minutes on two cores; the Windows program needs it)
# Each set lives in ${XDG_CACHE_HOME:-~/.cache}/fabrion/windows-<set>-<key>, the key
# a hash of the source versions, the compiler, the options and the RECIPE
# number below, so a changed version or option builds a new set and an
# unchanged one is reused. Each set keeps the copy of mingw-w64.cmake it was
# built with (Qt's own toolchain file loads it).
#
#   build_deps.sh [--rebuild] core|qt     build the set when missing; print its prefix
#   build_deps.sh --prefix core|qt        print the prefix without building
# JOBS (default 2) limits the parallel compile steps.
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
CACHE_ROOT="${XDG_CACHE_HOME:-$HOME/.cache}/fabrion"
JOBS="${JOBS:-2}"
TRIPLE=x86_64-w64-mingw32
# Raised when a change to the steps below needs the sets built anew.
RECIPE=1

say() { printf 'build_deps: %s\n' "$*" >&2; }

QT_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_testlib=ON
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  # Debian's source leaves out the tablet header.
  -DFEATURE_tabletevent=OFF
  -DFEATURE_icu=OFF -DFEATURE_glib=OFF
)
PUGIXML_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF)
GTEST_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON)
MODBUS_OPTIONS=(--enable-shared --disable-static --without-documentation --disable-tests)

# Source package and the installed binary package whose version it must match
# (the Windows build uses the same versions as the Linux one).
declare -A BINARY_OF=([qt6-base]=qt6-base-dev [pugixml]=libpugixml-dev
                      [libmodbus]=libmodbus-dev [googletest]=googletest)
sources_of() {
  case "$1" in
    core) echo pugixml libmodbus googletest ;;
    qt) echo qt6-base ;;
    *) say "unknown set: $1 (core or qt)"; exit 2 ;;
  esac
}

source_version() {
  dpkg-query -W -f='${source:Version}' "${BINARY_OF[$1]}" 2>/dev/null || true
}

set_dir() {
  local set="$1" key pkg
  key="$({
    for pkg in $(sources_of "$set"); do echo "$pkg=$(source_version "$pkg")"; done
    $TRIPLE-g++-posix --version | head -1
    echo "recipe $RECIPE"
    if [ "$set" = qt ]; then printf '%s\n' "${QT_OPTIONS[@]}"; else
      printf '%s\n' "${PUGIXML_OPTIONS[@]}" "${GTEST_OPTIONS[@]}" "${MODBUS_OPTIONS[@]}"; fi
  } | sha256sum | cut -c1-12)"
  echo "$CACHE_ROOT/windows-$set-$key"
}

# Debian's archive as a source of source packages, when no deb-src entry is
# configured: the deb entries again, as deb-src.
ensure_deb_src() {
  if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    say "apt has no deb-src entry; run as root, or add one for Debian's archive"
    exit 1
  fi
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$(basename "$f")" != fabrion-src.sources ] || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$f"
    echo
  done >/etc/apt/sources.list.d/fabrion-src.sources
  if [ -f /etc/apt/sources.list ]; then
    sed -nE 's/^deb (.*)/deb-src \1/p' /etc/apt/sources.list >/etc/apt/sources.list.d/fabrion-src.list
  fi
  say "added deb-src entries in /etc/apt/sources.list.d/fabrion-src.*"
  apt-get update -q
}

fetch_source() {
  local pkg="$1" dir="$2" version
  version="$(source_version "$pkg")"
  mkdir -p "$dir/src"
  ( cd "$dir/src"
    if ! apt-get source -q "$pkg${version:+=$version}"; then
      # A host whose lists predate the entry: read them once more.
      apt-get update -q && apt-get source -q "$pkg${version:+=$version}"
    fi ) >&2
  find "$dir/src" -mindepth 1 -maxdepth 1 -type d -name "$pkg*" | head -1
}

toolchain() { echo "$1/mingw-w64.cmake"; }

build_core() {
  local dir="$1" prefix="$1/prefix" src
  cp "$HERE/mingw-w64.cmake" "$(toolchain "$dir")"
  src="$(fetch_source pugixml "$dir")"
  cmake -S "$src" -B "$dir/build/pugixml" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(toolchain "$dir")" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${PUGIXML_OPTIONS[@]}"
  cmake --build "$dir/build/pugixml" -j "$JOBS" && cmake --install "$dir/build/pugixml"

  src="$(fetch_source googletest "$dir")"
  cmake -S "$src" -B "$dir/build/googletest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(toolchain "$dir")" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${GTEST_OPTIONS[@]}"
  cmake --build "$dir/build/googletest" -j "$JOBS" && cmake --install "$dir/build/googletest"

  src="$(fetch_source libmodbus "$dir")"
  ( cd "$src"
    [ -x configure ] || autoreconf -fi
    mkdir -p "$dir/build/libmodbus" && cd "$dir/build/libmodbus"
    "$src/configure" --host=$TRIPLE --prefix="$prefix" CC=$TRIPLE-gcc-posix "${MODBUS_OPTIONS[@]}"
    make -j "$JOBS" && make install )
}

build_qt() {
  local dir="$1" prefix="$1/prefix" src
  cp "$HERE/mingw-w64.cmake" "$(toolchain "$dir")"
  src="$(fetch_source qt6-base "$dir")"
  cmake -S "$src" -B "$dir/build/qtbase" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(toolchain "$dir")" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${QT_OPTIONS[@]}"
  cmake --build "$dir/build/qtbase" -j "$JOBS"
  cmake --install "$dir/build/qtbase"
}

rebuild=0 print_only=0
while [ $# -gt 1 ]; do
  case "$1" in
    --rebuild) rebuild=1 ;;
    --prefix) print_only=1 ;;
    *) say "unknown option: $1"; exit 2 ;;
  esac
  shift
done
set="${1:-}"
sources_of "$set" >/dev/null
dir="$(set_dir "$set")"
if [ "$print_only" -eq 1 ]; then echo "$dir/prefix"; exit 0; fi

mkdir -p "$CACHE_ROOT"
# One build of a set at a time: a second caller waits and then reuses it.
exec 9>"$dir.lock"
flock 9
if [ "$rebuild" -eq 1 ] || [ ! -f "$dir/done" ]; then
  rm -rf "$dir"
  mkdir -p "$dir"
  ensure_deb_src
  started=$(date +%s)
  say "building the Windows $set dependencies in $dir"
  "build_$set" "$dir"
  echo "$(( $(date +%s) - started ))" >"$dir/done"
  say "built the Windows $set dependencies in $(cat "$dir/done") s"
fi
echo "$dir/prefix"
