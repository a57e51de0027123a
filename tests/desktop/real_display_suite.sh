#!/usr/bin/env bash
# The program on a real X display: Xvfb with the openbox window manager, driven
# with xdotool and read back with xprop. It checks what the offscreen platform of
# the widget tests cannot see: the titles the X server holds, the icon, which
# keys close which dialog, the frame hints, and that windows and message boxes
# open large enough for their content and title.
#
#   real_display_suite.sh BUILD_DIR [CASE...]     (all cases when none is named)
#
# Each case starts the real program from its own copy of a program folder laid
# out from BUILD_DIR in a temporary folder, and stops it at the end. Every wait
# has a deadline; the display, the window manager and the program are stopped
# by their process ids on every exit. Exit status: 0 all passed, 1 a case
# failed, 77 a tool is missing (ctest reports the suite as skipped).
set -uo pipefail
exec 2>&1  # one stream, in order; fail() writes to it even from inside $(...)

BUILD="${1:?usage: real_display_suite.sh BUILD_DIR [CASE...]}"
shift
CASES=("$@")
[ "${#CASES[@]}" -eq 0 ] && CASES=(main_window general_parameter new_project generate_firmware translate_table)

CMAKE="${CMAKE:-cmake}"
for tool in Xvfb openbox xdotool xprop xwininfo "$CMAKE"; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

BASE_TITLE="Norvane Fabrion KT30551 RAVELIN"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/fabrion-display.XXXXXX")"
XVFB_PID="" WM_PID="" APP="" PROGRAM=""

within() {  # within SECONDS COMMAND...: true as soon as COMMAND is, false when the time is up
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}
gone() { ! kill -0 "$1" 2>/dev/null; }

stop() {  # stop PID: ends one process of ours, politely first
  [ -n "$1" ] && kill "$1" 2>/dev/null || return 0
  within 5 gone "$1" || kill -9 "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}
cleanup() {
  stop "$APP"
  stop "$WM_PID"
  stop "$XVFB_PID"
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

FAILED=""
fail() {  # fail MESSAGE: reports the case's failure; the caller returns 1
  echo "    FAILED: $*" >&2
  FAILED=1
  return 1
}

# --- Reading the display --------------------------------------------------------

title_of() {  # the window's _NET_WM_NAME, the title every current window manager shows
  xprop -id "$1" -notype _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'
}
old_title_of() {  # the window's WM_NAME, the title of older window managers
  xprop -id "$1" -notype WM_NAME 2>/dev/null | sed -n 's/^WM_NAME = "\(.*\)"$/\1/p'
}
visible_windows() { xdotool search --onlyvisible --pid "$APP" 2>/dev/null; }
titles() {  # the titles of the program's visible windows, for messages
  local id out=""
  for id in $(visible_windows); do out+="\"$(title_of "$id")\" "; done
  echo "${out:-none}"
}

titled() {  # prints the id of the program's visible window titled exactly $1
  local id
  for id in $(visible_windows); do [ "$(title_of "$id")" = "$1" ] && echo "$id" && return 0; done
  return 1
}
shown_windows() { [ "$(visible_windows | wc -l)" -eq "$1" ]; }
hidden() { ! xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

window_titled() {  # window_titled TITLE [SECONDS]: prints the id of the program's window titled exactly TITLE
  within "${2:-15}" titled "$1" || fail "no window titled \"$1\"; the program shows $(titles)"
}
closes() {  # closes ID WHAT: waits until the window is no longer shown
  within 10 hidden "$1" || fail "$2 did not close; the program shows $(titles)"
}
active() {  # active ID: waits until the window manager has given ID the keyboard
  within 10 is_active "$1" || fail "window \"$(title_of "$1")\" never became active"
}

has_program_icon() {  # the icon of app/fabrion.svg is there in all its sizes, not a default one
  local icon size
  icon="$(xprop -id "$1" _NET_WM_ICON 2>/dev/null | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')"
  for size in 16 24 32 48 64 128; do
    case "$icon" in *"Icon ($size x $size)"*) ;; *) fail "window \"$(title_of "$1")\" lacks the program's icon at $size pixels (has: ${icon:-none})"; return 1 ;; esac
  done
}

frame_centred() {  # frame_centred ID: the frame, title bar included, in the middle of the 1280 x 1024 screen
  local x y w h left right top bottom
  read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
                                            /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}')
  read -r left right top bottom < <(xprop -id "$1" -notype _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  local dx=$(((2 * (x - left) + left + w + right) / 2 - 640)) dy=$(((2 * (y - top) + top + h + bottom) / 2 - 512))
  ((dx * dx <= 1 && dy * dy <= 1)) ||
    fail "window \"$(title_of "$1")\" has its frame's middle $dx,$dy pixels off the screen's middle"
}

at_least() {  # at_least ID WIDTH HEIGHT: the client area is no smaller
  local w h
  read -r w h < <(xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')
  [ "$w" -ge "$2" ] && [ "$h" -ge "$3" ] ||
    fail "window \"$(title_of "$1")\" is $w x $h, less than $2 x $3"
}
no_frame_buttons() {  # ID asks the window manager for no close, minimise or maximise (Motif hints)
  # Openbox draws its buttons whatever the hints say; IceWM, for one, leaves them off.
  local flags functions
  read -r flags functions < <(xprop -id "$1" -notype _MOTIF_WM_HINTS 2>/dev/null |
    sed -n 's/^_MOTIF_WM_HINTS = \(0x[0-9a-f]*\), \(0x[0-9a-f]*\).*/\1 \2/p')
  [ -n "$flags" ] && ((flags & 1)) && ! ((functions & (0x1 | 0x8 | 0x10 | 0x20))) ||
    fail "window \"$(title_of "$1")\" does not ask for a frame without buttons (Motif flags ${flags:-none}, functions ${functions:-none})"
}

# --- Driving the program --------------------------------------------------------

click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }  # click ID X Y (in the window)
key() { xdotool key --clearmodifiers "$@"; }
type_text() { xdotool type --delay 30 "$1"; }

# The main window's buttons, by the middle of each (client coordinates).
NEW_PROJECT=(153 49)
GENERAL_PARAMETER=(153 93)
TRANSLATE_TABLE=(153 137)
UP_DATE_DEVICE=(153 181)
MAIN_X=(548 13)

open_dialog() {  # open_dialog TITLE X Y: clicks the main window's button at X Y; prints the dialog's id
  local dialog
  active "$MAIN" && click "$MAIN" "$2" "$3" && dialog="$(window_titled "$1")" && active "$dialog" &&
    echo "$dialog"
}

start_program() {  # start_program CASE [PROJECT]: a fresh program folder, PROJECT remembered in it; MAIN is the window
  PROGRAM="$WORK/program-$1"
  cp -a "$WORK/laid-out" "$PROGRAM"
  local title="$BASE_TITLE"
  if [ -n "${2:-}" ]; then
    mkdir -p "$PROGRAM/PROJECTS/$2/bin" && title+=" : /$2"
    printf '[lastproj]\r\nprojectname=%s\r\n' "$2" >"$PROGRAM/Fabrion.ini"
  fi
  (cd "$WORK" && exec env QT_QPA_PLATFORM=xcb "$PROGRAM/fabrion" >"$WORK/$1.log" 2>&1) &
  APP=$!
  MAIN="$(window_titled "$title" 30)" && active "$MAIN"
}

end_program() {
  stop "$APP"
  APP=""
}

# --- Cases ----------------------------------------------------------------------

case_main_window() {
  start_program main_window || return 1
  [ "$(old_title_of "$MAIN")" = "$BASE_TITLE" ] || { fail "WM_NAME is \"$(old_title_of "$MAIN")\""; return 1; }
  has_program_icon "$MAIN" || return 1
  no_frame_buttons "$MAIN" || return 1
  click "$MAIN" "${MAIN_X[@]}"
  within 10 gone "$APP" || { fail "\"X\" did not end the program"; return 1; }
  APP=""
  grep -q '^projectname=' "$PROGRAM/Fabrion.ini" || fail "closing did not remember the project in Fabrion.ini"
}

case_general_parameter() {
  start_program general_parameter gp || return 1
  local pargen="$PROGRAM/PROJECTS/gp/pargen.xml" dialog box
  # Escape with nothing changed is Cancel at once: nothing is written.
  dialog="$(open_dialog "General Parameter" "${GENERAL_PARAMETER[@]}")" || return 1
  has_program_icon "$dialog" || return 1
  no_frame_buttons "$dialog" || return 1
  at_least "$dialog" 457 313 || return 1  # down to Operation Mode, without scrolling
  key Escape
  closes "$dialog" "General Parameter on Escape" || return 1
  [ ! -e "$pargen" ] || { fail "Escape wrote pargen.xml"; return 1; }
  # Escape after a change asks first; No (Enter) keeps the dialog, Yes drops the change.
  dialog="$(open_dialog "General Parameter" "${GENERAL_PARAMETER[@]}")" || return 1
  type_text 55
  key Escape
  box="$(window_titled "Firmware Fabrion")" && active "$box" || return 1
  key Return
  closes "$box" "the question on Enter" || return 1
  active "$dialog" || return 1
  key Escape
  box="$(window_titled "Firmware Fabrion")" && active "$box" || return 1
  key alt+y
  closes "$dialog" "General Parameter on Yes to discarding" || return 1
  [ ! -e "$pargen" ] || { fail "discarding wrote pargen.xml"; return 1; }
  # A click on Cancel leaves Enter as OK for the next opening.
  dialog="$(open_dialog "General Parameter" "${GENERAL_PARAMETER[@]}")" || return 1
  click "$dialog" 392 224
  closes "$dialog" "General Parameter on Cancel" || return 1
  # The gateway row takes "." as the IP rows do; port and community name are written.
  dialog="$(open_dialog "General Parameter" "${GENERAL_PARAMETER[@]}")" || return 1
  type_text 10.0.0.5
  key Tab Tab Tab Tab Tab
  type_text 10.0.0.1
  key Tab
  type_text 5020
  click "$dialog" 372 165
  key ctrl+a
  type_text pub
  key Return
  closes "$dialog" "General Parameter on Enter after a click on Cancel" || return 1
  grep -q '<TCP_IP1>10</TCP_IP1>.*<TCP_IP4>5</TCP_IP4>.*<TCP_GAT1>10</TCP_GAT1><TCP_GAT2>0</TCP_GAT2><TCP_GAT3>0</TCP_GAT3><TCP_GAT4>1</TCP_GAT4><TCP_PORT>5020</TCP_PORT><SNMP_PUBLIC>pub</SNMP_PUBLIC>' "$pargen" ||
    { fail "Enter did not write what was typed: $(cat "$pargen" 2>&1)"; return 1; }
  # After the error box the refused field has the keyboard, its text selected;
  # a click into a field after that leaves Enter as OK.
  dialog="$(open_dialog "General Parameter" "${GENERAL_PARAMETER[@]}")" || return 1
  key Tab
  type_text 300
  key Return
  box="$(window_titled "Error")" && active "$box" || return 1
  key Return
  closes "$box" "the error box on Enter" || return 1
  active "$dialog" || return 1
  type_text 20
  click "$dialog" 125 60
  key Return
  closes "$dialog" "General Parameter on Enter after the error box" || return 1
  grep -q '<TCP_IP2>20</TCP_IP2>' "$pargen" || fail "the refused field did not take what was typed next"
}

case_new_project() {
  start_program new_project || return 1
  local dialog box
  dialog="$(open_dialog "New project" "${NEW_PROJECT[@]}")" || return 1
  frame_centred "$dialog" || return 1
  no_frame_buttons "$dialog" || return 1
  # Enter with no name: the plain message box, titled with the application title.
  key Return
  box="$(window_titled "Firmware Fabrion")" && active "$box" || return 1
  has_program_icon "$box" || return 1
  at_least "$box" 230 1 || return 1  # wide enough for its title
  key Return
  closes "$box" "the message box on Enter" || return 1
  active "$dialog" || return 1
  key Escape
  closes "$dialog" "New project on Escape" || return 1
  [ -z "$(ls "$PROGRAM/PROJECTS")" ] || { fail "Escape created $(ls "$PROGRAM/PROJECTS")"; return 1; }
  dialog="$(open_dialog "New project" "${NEW_PROJECT[@]}")" || return 1
  type_text gw1
  key Return
  closes "$dialog" "New project on Enter" || return 1
  [ -d "$PROGRAM/PROJECTS/gw1/bin" ] || { fail "Enter did not create the project gw1"; return 1; }
  window_titled "$BASE_TITLE :gw1" >/dev/null
}

case_generate_firmware() {
  start_program generate_firmware || return 1
  local dialog
  dialog="$(open_dialog "New project" "${NEW_PROJECT[@]}")" || return 1
  type_text demo
  key Return
  closes "$dialog" "New project on Enter" || return 1
  dialog="$(open_dialog "Generate Firmware" "${UP_DATE_DEVICE[@]}")" || return 1
  no_frame_buttons "$dialog" || return 1
  # Neither key closes the dialog or composes. F4, sent after them, then opens
  # the port list's drop-down: the dialog is still open, the focus on the list.
  key Return KP_Enter Escape F4
  within 10 shown_windows 3 || { fail "F4 after Enter and Escape opened no port list; the program shows $(titles)"; return 1; }
  key Escape
  within 10 shown_windows 2 || { fail "Escape did not close the port list"; return 1; }
  [ ! -e "$PROGRAM/PROJECTS/demo/New_ravelin.sx" ] || { fail "Enter composed the firmware file"; return 1; }
  key alt+F4
  closes "$dialog" "Generate Firmware on the window manager's close" || return 1
  ! gone "$APP" && ! hidden "$MAIN" || fail "the window manager's close of Generate Firmware closed the main window"
}

case_translate_table() {
  start_program translate_table tt || return 1
  local dialog var="$PROGRAM/PROJECTS/tt/var.xml"
  dialog="$(open_dialog "Set Translate Table" "${TRANSLATE_TABLE[@]}")" || return 1
  # One row typed from the first cell on; Ctrl+Return in the open cell editor is OK.
  type_text "Holding Register"
  key Tab
  type_text 100
  key Tab
  type_text 192.168.1.20
  key Tab
  type_text 0
  key Tab
  type_text 10
  key ctrl+Return
  closes "$dialog" "Set Translate Table on Ctrl+Return in the grid" || return 1
  grep -q 'DATA_TYPE="3" RTU_ADDRESS="100" .* N_POINT="10"' "$var" ||
    fail "Ctrl+Return did not save the typed row (the last cell still in its editor): $(cat "$var" 2>&1)"
}

# --- The display ----------------------------------------------------------------

mkdir -p "$WORK/home" "$WORK/runtime"
chmod 700 "$WORK/runtime"
export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/runtime" XDG_CONFIG_HOME="$WORK/home/.config"
unset WAYLAND_DISPLAY

"$CMAKE" --install "$BUILD" --prefix "$WORK/laid-out" >/dev/null || { echo "cannot lay out the program folder"; exit 1; }

# Xvfb picks a free display itself and names it on descriptor 3 once it listens.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
within 30 test -s "$WORK/display" || { echo "Xvfb did not start:"; cat "$WORK/xvfb.log"; exit 1; }
export DISPLAY=":$(tr -dc '0-9' <"$WORK/display")"

openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
WM_PID=$!
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
within 30 wm_ready || { echo "openbox did not start:"; cat "$WORK/openbox.log"; exit 1; }

echo "display $DISPLAY, window manager openbox"
failures=0
for name in "${CASES[@]}"; do
  FAILED=""
  echo "case $name"
  "case_$name" && [ -z "$FAILED" ] || FAILED=1
  if [ -n "$FAILED" ]; then
    failures=$((failures + 1))
    command -v import >/dev/null 2>&1 && import -window root "$BUILD/real-display-$name.png" 2>/dev/null &&
      echo "    screen: $BUILD/real-display-$name.png"
    sed 's/^/    program: /' "$WORK/$name.log" 2>/dev/null
  else
    echo "    ok"
  fi
  end_program
done
echo "$((${#CASES[@]} - failures)) of ${#CASES[@]} cases passed"
[ "$failures" -eq 0 ]
