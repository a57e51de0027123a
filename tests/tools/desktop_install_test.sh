#!/usr/bin/env bash
# The desktop install end to end: a program folder laid out from the build is
# installed over a user's data, into a data folder whose name needs every kind
# of escape; the desktop entry passes desktop-file-validate; a second install
# and the uninstall keep the user's PROJECTS, MASTER, Fabrion.ini and flash tool.
#   desktop_install_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

BUILD="${1:?usage: desktop_install_test.sh BUILD_DIR SOURCE_DIR}"
SOURCE="${2:?usage: desktop_install_test.sh BUILD_DIR SOURCE_DIR}"
SCRIPT="$SOURCE/tools/desktop/desktop_install.sh"
command -v desktop-file-validate >/dev/null 2>&1 || { echo "skipped: desktop-file-validate is not installed"; exit 77; }

WORK="$(mktemp -d "${TMPDIR:-/tmp}/fabrion-install.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
same() { cmp -s "$1" "$2"; }
holds() { [ "$(cat "$1" 2>/dev/null)" = "$2" ]; }

${CMAKE:-cmake} --install "$BUILD" --prefix "$WORK/stage" >/dev/null || { echo "cannot lay out the program folder"; exit 1; }

# --- Over a user's data, in a folder named with a blank, quotes, $, %, ` and \ ---
export HOME="$WORK/home"
export XDG_DATA_HOME="$WORK/data \"it's\" \$HOME 100% \`x\` a\\b"
target="$XDG_DATA_HOME/fabrion"
entry="$XDG_DATA_HOME/applications/fabrion.desktop"
icon="$XDG_DATA_HOME/icons/hicolor/scalable/apps/fabrion.svg"
mkdir -p "$target/PROJECTS/gw1" "$target/MASTER"
echo "the user's project" >"$target/PROJECTS/gw1/pargen.xml"
echo "the gateway's master" >"$target/MASTER/ravelin.sx"
echo "[lastproj]" >"$target/Fabrion.ini"
echo "the maker's flash tool" >"$target/Burnline.exe"

output="$("$SCRIPT" install "$WORK/stage" "$SOURCE/app/fabrion.svg" 2>&1)"
check "install succeeds" test $? -eq 0
check "the program is the laid-out one" same "$WORK/stage/fabrion" "$target/fabrion"
check "the program can be run" test -x "$target/fabrion"
check "the user's project is kept" holds "$target/PROJECTS/gw1/pargen.xml" "the user's project"
check "the user's master is kept" holds "$target/MASTER/ravelin.sx" "the gateway's master"
check "Fabrion.ini is kept" holds "$target/Fabrion.ini" "[lastproj]"
check "a flash tool that is not the stand-in is kept" holds "$target/Burnline.exe" "the maker's flash tool"
check "the icon is the program's" same "$SOURCE/app/fabrion.svg" "$icon"
validation="$(desktop-file-validate "$entry" 2>&1)"
check "desktop-file-validate passes: ${validation:-no remarks}" test $? -eq 0 -a -z "$validation"
exec_line='Exec="'"$WORK"'/data \\"it'"'"'s\\" \\$HOME 100%% \\`x\\` a\\\\b/fabrion/fabrion"'
check "Exec quotes the path" grep -qxF -- "$exec_line" "$entry"
check "the output names what was kept" grep -q 'kept what was there: Burnline.exe (not the stand-in) PROJECTS MASTER Fabrion.ini' <<<"$output"

"$SCRIPT" install "$WORK/stage" "$SOURCE/app/fabrion.svg" >/dev/null 2>&1
check "a second install succeeds" test $? -eq 0

output="$("$SCRIPT" uninstall 2>&1)"
check "uninstall succeeds" test $? -eq 0
check "the program is gone" test ! -e "$target/fabrion" -a ! -e "$target/fabrion-cli"
check "the desktop entry and icon are gone" test ! -e "$entry" -a ! -e "$icon"
check "the user's data stays" holds "$target/PROJECTS/gw1/pargen.xml" "the user's project"
check "the user's master and ini stay" test -f "$target/MASTER/ravelin.sx" -a -f "$target/Fabrion.ini"
check "the user's flash tool stays" holds "$target/Burnline.exe" "the maker's flash tool"
check "the output says what stays" grep -q 'never removed): Burnline.exe Fabrion.ini MASTER PROJECTS' <<<"$output"

# --- A fresh user, no root, no XDG_DATA_HOME: ~/.local/share --------------------
as_user=()
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null 2>&1; then
  as_user=(runuser -u nobody --)
  chmod 755 "$WORK"
  chmod -R a+rX "$WORK/stage"
fi
mkdir -p "$WORK/fresh"
[ "${#as_user[@]}" -eq 0 ] || chown nobody "$WORK/fresh"
"${as_user[@]}" env -u XDG_DATA_HOME HOME="$WORK/fresh" "$SCRIPT" install "$WORK/stage" "$SOURCE/app/fabrion.svg" >/dev/null
check "a fresh user without root installs into ~/.local/share" test -x "$WORK/fresh/.local/share/fabrion/fabrion"
check "the demo master comes along" test -f "$WORK/fresh/.local/share/fabrion/MASTER/ravelin.sx"
desktop-file-validate "$WORK/fresh/.local/share/applications/fabrion.desktop" >/dev/null 2>&1
check "its desktop entry passes desktop-file-validate" test $? -eq 0
"${as_user[@]}" env XDG_DATA_HOME=relative HOME="$WORK/fresh" "$SCRIPT" uninstall >/dev/null
check "uninstall leaves only the projects and the master" \
  test "$(cd "$WORK/fresh/.local/share/fabrion" && ls -A | tr '\n' ' ')" = "MASTER PROJECTS "

[ "$failures" -eq 0 ] && echo "all checks passed"
[ "$failures" -eq 0 ]
