#!/usr/bin/env bash
# The Windows program, unzipped into a fresh folder and a fresh Wine prefix,
# driven on a real X display (Xvfb with openbox, xdotool):
#   a new project by keyboard, General Parameter OK, two rows of the translate
#   table, Up date Device, "Execute update firmware" on COM3; the stand-in
#   flash tool must be started with "<project>\New_ravelin.sx"<B6>2 and pass
#   the composed file.
#   end_to_end.sh ZIP SCREENSHOT_DIR
# Leaves main-window.png and flash-tool.png in SCREENSHOT_DIR. Every process it
# starts is stopped by its id on exit; Exit status 0 when the case passed.
set -uo pipefail
exec 2>&1

ZIP="${1:?usage: end_to_end.sh ZIP SCREENSHOT_DIR}"
SHOTS="${2:?usage: end_to_end.sh ZIP SCREENSHOT_DIR}"
for tool in Xvfb openbox xdotool xprop unzip wine wineserver import; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
mkdir -p "$SHOTS"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/fabrion-windows.XXXXXX")"
XVFB_PID="" WM_PID="" APP=""
BASE_TITLE="Norvane Fabrion KT30551 RAVELIN"
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

within() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}
stop() {
  [ -n "$1" ] && kill "$1" 2>/dev/null || return 0
  within 5 eval "! kill -0 $1 2>/dev/null" || kill -9 "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}
cleanup() {
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
  stop "$APP"
  stop "$WM_PID"
  stop "$XVFB_PID"
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
fail() {  # also from inside $(...): the message goes to stderr, which is the output
  {
    echo "FAILED: $*"
    import -window root "$SHOTS/failure.png" 2>/dev/null && echo "screen: $SHOTS/failure.png"
    sed 's/^/    program: /' "$WORK/program.log" 2>/dev/null
  } >&2
  exit 1
}

exactly() { printf '^%s$' "$(printf '%s' "$1" | sed 's/[][().*^$+?{}|\\]/\\&/g')"; }  # a title as a regex
window() {  # window TITLE [SECONDS]: the id of the visible window titled exactly TITLE
  local id pattern
  pattern="$(exactly "$1")"
  within "${2:-30}" eval 'id="$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1)"; [ -n "$id" ]' ||
    fail "no window titled \"$1\""
  echo "$id"
}
gone() { ! xdotool search --onlyvisible --name "$(exactly "$1")" >/dev/null 2>&1; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
key() { xdotool key --clearmodifiers "$@"; }
type_text() { xdotool type --delay 60 "$1"; }
focus() { xdotool windowactivate --sync "$1" 2>/dev/null; xdotool windowfocus --sync "$1" 2>/dev/null; sleep 0.5; }

# --- A fresh program folder and Wine prefix ----------------------------------------
unzip -q "$ZIP" -d "$WORK" || fail "cannot unzip $ZIP"
PROGRAM="$WORK/Fabrion"
wineboot -i >/dev/null 2>&1 && wineserver -w

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
within 30 test -s "$WORK/display" || fail "Xvfb did not start"
export DISPLAY=":$(tr -dc '0-9' <"$WORK/display")"
openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
WM_PID=$!
within 30 eval "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'" || fail "openbox did not start"

(cd "$PROGRAM" && exec wine fabrion.exe >"$WORK/program.log" 2>&1) &
APP=$!
MAIN="$(window "$BASE_TITLE" 120)" || exit 1
focus "$MAIN"
echo "the main window is up"

# --- New project "demo", by keyboard -------------------------------------------------
click "$MAIN" 153 49
DIALOG="$(window "New project")" || exit 1
focus "$DIALOG"
type_text demo
key Return
within 30 gone "New project" || fail "New project did not close on Enter"
MAIN="$(window "$BASE_TITLE :demo")" || exit 1
[ -d "$PROGRAM/PROJECTS/demo/bin" ] || fail "the project folder PROJECTS/demo/bin was not made"
echo "project demo made"

# --- General Parameter: OK -----------------------------------------------------------
focus "$MAIN"
click "$MAIN" 153 93
DIALOG="$(window "General Parameter")" || exit 1
focus "$DIALOG"
key Return
within 30 gone "General Parameter" || fail "General Parameter did not close on Enter"
grep -q '<General_Parameter>' "$PROGRAM/PROJECTS/demo/pargen.xml" 2>/dev/null || fail "OK wrote no pargen.xml"
echo "general parameters written"

# --- Two rows of the translate table ---------------------------------------------
focus "$MAIN"
click "$MAIN" 153 137
DIALOG="$(window "Set Translate Table")" || exit 1
focus "$DIALOG"
for row in "Holding Register|100|192.168.1.20|0|10" "Coil Status|200|192.168.1.21|0|8"; do
  IFS='|' read -r type rtu ip tcp points <<<"$row"
  type_text "$type"; key Tab; type_text "$rtu"; key Tab; type_text "$ip"; key Tab
  type_text "$tcp"; key Tab; type_text "$points"; key Tab; key Tab
done
key ctrl+Return
within 30 gone "Set Translate Table" || fail "Set Translate Table did not close on Ctrl+Return"
rows="$(grep -o '<row ' "$PROGRAM/PROJECTS/demo/var.xml" 2>/dev/null | wc -l)"
[ "$rows" -eq 2 ] || fail "var.xml holds $rows rows, not 2: $(cat "$PROGRAM/PROJECTS/demo/var.xml" 2>&1)"
echo "two table rows saved"
import -window root "$SHOTS/main-window.png"

# --- Up date Device, Execute on COM3 ----------------------------------------------------
focus "$MAIN"
click "$MAIN" 153 181
DIALOG="$(window "Generate Firmware")" || exit 1
focus "$DIALOG"
key Down Down   # the port list has the focus: COM1 -> COM3
click "$DIALOG" 215 153
TOOL="$(window "Burnline.exe (stand-in)" 120)" || exit 1
echo "the stand-in flash tool is up"
[ -s "$PROGRAM/PROJECTS/demo/New_ravelin.sx" ] || fail "no New_ravelin.sx was composed"
# The tool's command line as Wine hands it to the host, split as the C runtime
# splits it (its quotes gone; the pilcrow U+00B6 is the byte B6 of the ANSI
# code page 1252). The exact bytes are checked under Wine by the core test
# StartDetachedProgram.PassesTheParameterAsOneArgumentByteForByte.
call="$(for p in $(pgrep -f 'Burnline.exe'); do tr '\0' '\n' <"/proc/$p/cmdline" | sed -n 2p; done | grep -a 'New_ravelin' | head -1)"
expected="$(winepath -w "$PROGRAM/PROJECTS/demo" 2>/dev/null)\\New_ravelin.sx¶2"
[ "$call" = "$expected" ] || fail "the stand-in's parameter is [$call], not [$expected]"
echo "the stand-in was called with \"${expected%¶2}\"¶2 (COM3)"
sleep 2
import -window root "$SHOTS/flash-tool.png"
echo "screens: $SHOTS/main-window.png $SHOTS/flash-tool.png"

# --- "X" ends the program; Fabrion.ini remembers the project beside fabrion.exe ---
focus "$DIALOG"
click "$DIALOG" 417 10   # the dialog's own "X"
within 30 gone "Generate Firmware" || fail "Generate Firmware did not close on its X"
focus "$MAIN"
click "$MAIN" 548 13
within 30 gone "$BASE_TITLE :demo" || fail "the main window's X did not end the program"
within 30 test -f "$PROGRAM/Fabrion.ini" || fail "no Fabrion.ini beside fabrion.exe"
grep -qa 'projectname=.*demo' "$PROGRAM/Fabrion.ini" || fail "Fabrion.ini does not name demo: $(cat "$PROGRAM/Fabrion.ini")"
echo "Fabrion.ini: $(tr -d '\r' <"$PROGRAM/Fabrion.ini" | tr '\n' ' ')"
echo "passed"
