#!/usr/bin/env bash
# Lays out the Windows program folder from a Windows build and packs it:
#   pack.sh BUILD_DIR OUT_DIR QT_PREFIX DLL_DIRS
# OUT_DIR/Fabrion holds what the build installs (fabrion.exe, fabrion-cli.exe,
# Burnline.exe, MASTER/ravelin.sx), Qt's windows platform and style plug-ins,
# and every DLL these load that is found in DLL_DIRS (':'-separated), followed
# through their import tables; the system's own DLLs are not shipped. Every
# executable and DLL is stripped. OUT_DIR/Fabrion-win64.zip holds the folder.
set -euo pipefail

build="$1" out="$2" qt="$3" dll_dirs="$4"
folder="$out/Fabrion"
rm -rf "$folder" "$out/Fabrion-win64.zip"
mkdir -p "$out"
cmake --install "$build" --prefix "$folder" >/dev/null
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
  mkdir -p "$folder/$(dirname "$plugin")"
  cp "$qt/plugins/$plugin" "$folder/$plugin"
done

imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }
find_dll() {  # the file of a DLL in DLL_DIRS, names compared as Windows does (case aside)
  local dir
  IFS=':' read -r -a dirs <<<"$dll_dirs"
  for dir in "${dirs[@]}"; do
    find "$dir" -maxdepth 1 -iname "$1" -print -quit 2>/dev/null
  done | head -1
}
mapfile -t queue < <(find "$folder" -iname '*.exe' -o -iname '*.dll')
declare -A shipped=()
while [ "${#queue[@]}" -gt 0 ]; do
  file="${queue[0]}"
  queue=("${queue[@]:1}")
  while read -r dll; do
    key="${dll,,}"
    [ -n "${shipped[$key]:-}" ] && continue
    shipped[$key]=1
    source="$(find_dll "$dll")"
    [ -n "$source" ] || continue  # a system DLL
    cp "$source" "$folder/"
    queue+=("$folder/$(basename "$source")")
  done < <(imports "$file")
done

find "$folder" \( -iname '*.exe' -o -iname '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
(cd "$out" && zip -q -r -9 Fabrion-win64.zip Fabrion)
