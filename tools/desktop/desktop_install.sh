#!/usr/bin/env bash
# Installs the program for the current user so that the desktop's menu lists
# it, or removes it again. No root is needed.
#
#   desktop_install.sh install PROGRAM_FOLDER ICON.svg
#   desktop_install.sh uninstall
#
# The program folder is copied to $XDG_DATA_HOME/fabrion (~/.local/share/fabrion
# when XDG_DATA_HOME is unset or not an absolute path), the desktop entry goes to
# applications/fabrion.desktop and the icon to icons/hicolor/scalable/apps/
# beside it. What the user keeps there (PROJECTS, MASTER, Fabrion.ini and a
# flash tool that is not the stand-in) is never replaced, and never removed.
set -euo pipefail

NAME=fabrion
MANIFEST=.installed-files   # the program's own files, one path a line
STANDIN_MARK="Fabrion stand-in flash tool"

say() { printf '%s\n' "$*"; }
die() { printf 'desktop_install: %s\n' "$*" >&2; exit 1; }

data_home() {
  case "${XDG_DATA_HOME:-}" in
    /*) printf '%s\n' "$XDG_DATA_HOME" ;;
    *) printf '%s\n' "${HOME:?HOME is not set}/.local/share" ;;
  esac
}

DATA="$(data_home)"
TARGET="$DATA/$NAME"
ENTRY="$DATA/applications/$NAME.desktop"
ICON="$DATA/icons/hicolor/scalable/apps/$NAME.svg"

is_user_data() {  # is_user_data RELATIVE_PATH
  case "$1" in PROJECTS | PROJECTS/* | MASTER | MASTER/* | Fabrion.ini) return 0 ;; esac
  return 1
}
is_kept_flash_tool() {  # a Burnline.exe that the user put in place of the stand-in
  [ "$1" = Burnline.exe ] && [ -f "$TARGET/$1" ] && ! grep -qaF "$STANDIN_MARK" "$TARGET/$1"
}

# Writes FILE from standard input through a temporary file beside it, so a
# reader (or a running program) never sees half a file.
write_file() {
  local file=$1 mode=$2 temporary
  mkdir -p "$(dirname "$file")"
  temporary="$(mktemp "$file.XXXXXX")"
  cat >"$temporary"
  chmod "$mode" "$temporary"
  mv -f "$temporary" "$file"
}

# A desktop entry's string value: a backslash is written twice.
entry_string() { local s=${1//\\/\\\\}; printf '%s' "$s"; }

# The path as the quoted program of an Exec key: inside the quotes ", `, $ and \
# take a backslash, the string escape doubles every backslash on top of that,
# and % is written twice.
exec_argument() {
  local s=$1
  s=${s//\\/\\\\}
  s=${s//\"/\\\"}
  s=${s//\`/\\\`}
  s=${s//\$/\\\$}
  s=${s//\\/\\\\}
  s=${s//%/%%}
  printf '"%s"' "$s"
}

desktop_entry() {
  cat <<EOF
[Desktop Entry]
Type=Application
Name=Firmware Fabrion
GenericName=Gateway configuration
Comment=Configure the Modbus RTU to Modbus TCP gateway and update its firmware
Exec=$(exec_argument "$TARGET/$NAME")
TryExec=$(entry_string "$TARGET/$NAME")
Icon=$NAME
Terminal=false
Categories=Development;Electronics;
Keywords=Modbus;gateway;firmware;RTU;TCP;
StartupWMClass=$NAME
EOF
}

install_program() {
  local source=$1 icon=$2 file kept=() installed=()
  [ -x "$source/$NAME" ] || die "no program in $source"
  [ -f "$icon" ] || die "no icon at $icon"
  case "$TARGET" in *[[:cntrl:]]*) die "cannot install into a folder whose name holds a control character: $TARGET" ;; esac
  iconv -f UTF-8 -t UTF-8 <<<"$TARGET" >/dev/null 2>&1 ||
    die "cannot install into a folder whose name is not UTF-8 (a desktop entry cannot name it): $TARGET"
  mkdir -p "$TARGET"

  # The program's own files, each replaced by a rename.
  while IFS= read -r file; do
    file=${file#./}
    is_user_data "$file" && continue
    if is_kept_flash_tool "$file"; then
      kept+=("$file (not the stand-in)")
      continue
    fi
    write_file "$TARGET/$file" "$(stat -c %a "$source/$file")" <"$source/$file"
    installed+=("$file")
  done < <(cd "$source" && find . -type f | sort)

  # Files an earlier install put there that this program no longer has.
  if [ -f "$TARGET/$MANIFEST" ]; then
    while IFS= read -r file; do
      is_user_data "$file" || is_kept_flash_tool "$file" && continue
      printf '%s\n' "${installed[@]}" | grep -qxF -- "$file" || rm -f -- "$TARGET/$file"
    done <"$TARGET/$MANIFEST"
  fi
  printf '%s\n' "${installed[@]}" | write_file "$TARGET/$MANIFEST" 644

  # The user's data: made from the program folder only where missing.
  for file in PROJECTS MASTER; do
    if [ -e "$TARGET/$file" ]; then
      kept+=("$file")
    elif [ -d "$source/$file" ]; then
      cp -a "$source/$file" "$TARGET/$file"
    fi
  done
  [ -e "$TARGET/Fabrion.ini" ] && kept+=(Fabrion.ini)

  write_file "$ICON" 644 <"$icon"
  desktop_entry | write_file "$ENTRY" 644  # the desktops watch this folder for new entries
  say "installed the program in $TARGET"
  [ "${#kept[@]}" -eq 0 ] || say "kept what was there: ${kept[*]}"
  say "desktop entry: $ENTRY"
}

uninstall_program() {
  local file kept=() found=0
  { [ -e "$ENTRY" ] || [ -e "$ICON" ] || [ -f "$TARGET/$MANIFEST" ]; } && found=1
  rm -f -- "$ENTRY" "$ICON"
  if [ -f "$TARGET/$MANIFEST" ]; then
    while IFS= read -r file; do
      is_user_data "$file" && continue
      is_kept_flash_tool "$file" && continue
      rm -f -- "$TARGET/$file"
      # Folders the program's files leave empty go with them.
      file="$(dirname "$file")"
      while [ "$file" != . ] && rmdir -- "$TARGET/$file" 2>/dev/null; do file="$(dirname "$file")"; done
    done <"$TARGET/$MANIFEST"
    rm -f -- "$TARGET/$MANIFEST"
  elif [ -d "$TARGET" ]; then
    say "no record of an installation in $TARGET: its files were left as they are"
  fi
  [ -d "$TARGET" ] && mapfile -t kept < <(ls -A "$TARGET")
  rmdir "$TARGET" 2>/dev/null || true
  if [ "$found" -eq 1 ]; then
    say "removed the program, its desktop entry and its icon"
  else
    say "nothing to remove: no installation for this user"
  fi
  [ "${#kept[@]}" -eq 0 ] || say "kept in $TARGET (yours, never removed): ${kept[*]}"
}

case "${1:-}" in
  install)
    [ $# -eq 3 ] || die "usage: desktop_install.sh install PROGRAM_FOLDER ICON.svg"
    install_program "$2" "$3"
    ;;
  uninstall)
    [ $# -eq 1 ] || die "usage: desktop_install.sh uninstall"
    uninstall_program
    ;;
  *)
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
