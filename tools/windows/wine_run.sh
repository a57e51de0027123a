#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, without a display unless one
# is set, in the build's own Wine prefix:
#   wine_run.sh DLL_DIRS PROGRAM [ARG...]
# DLL_DIRS: the folders of the DLLs the program loads (the compiler's runtime,
# the cross-built dependencies), separated by ':'.
# WINEPREFIX defaults to a folder in the cache; it is made on first use.
set -euo pipefail

dll_dirs="$1"
shift
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/fabrion/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts, no menu entries in the host's desktop.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
# Windows finds a program's DLLs on its PATH: the host folders through Z:.
path=""
IFS=':' read -r -a dirs <<<"$dll_dirs"
for dir in "${dirs[@]}"; do
  [ -n "$dir" ] && path+="Z:${dir//\//\\};"
done
export WINEPATH="$path${WINEPATH:-}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # One start-up at a time makes the prefix; the others wait for it.
  # Wine's null display driver: Qt makes (hidden) windows even offscreen, and
  # the tests need no X server.
  ( flock 9; [ -f "$WINEPREFIX/system.reg" ] || {
      wineboot -i >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      wineserver -w
    } ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
