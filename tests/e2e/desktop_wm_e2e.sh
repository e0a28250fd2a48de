#!/usr/bin/env bash
# The program on a desktop with a window manager (openbox) and a notification area (trayer), against the
# station simulator in a private network namespace. The settings dialog and the About box, opened from the
# keyboard, get real frames, take the focus and stay above the main window; the dialog is centred on the
# screen with its frame; neither offers minimise or maximise, and a dialog minimised all the same comes back
# with the window when the tray icon is double-clicked. Then at QT_SCALE_FACTOR=2, with the values monitor
# running beside it on a 2560x1600 screen: the main window, and the dialog centred again. Screenshots kept as artefacts.
#
# usage: desktop_wm_e2e.sh PROGRAM SIMULATOR MONITOR ARTEFACT_DIR
set -euo pipefail

program=$1 simulator=$2 monitor=$3 artefacts=$4

. "$(dirname "$0")/e2e_lib.sh"
need Xvfb trayer xdotool import xwininfo xprop openbox
enter_private_network "" "$@"

start_program_dir "$program"
start_desktop
start_window_manager
start_station "$work/station.log"

# run_program: starts the program and waits for its main window (main).
run_program() {
    start_program program
    wait_for 10 main_window_shown || fail "the main window did not appear"
    main=$(main_window_shown | head -1)
    xdotool windowactivate --sync "$main"
    sleep 0.5
}
# open_from_menu KEYS...: the menu bar by keyboard (see menu_bar), once the window manager has made the main
# window the active one.
open_from_menu() {
    xdotool windowactivate --sync "$main"
    menu_bar "$@"
}
# on_top WINDOW: the window is active and stacked above the main window.
on_top() {
    local active
    active=$(xdotool getactivewindow 2>/dev/null || true)
    [ "$active" = "$1" ] || fail "window $1 does not have the focus (the active window is ${active:-none}, the main window $main)"
    local stacking
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr -d ',')
    awk -v s="$stacking" -v top="$1" -v below="$main" 'BEGIN {
        n = split(s, w, " "); for (i = 1; i <= n; i++) { if (w[i] + 0 == top + 0) t = i; if (w[i] + 0 == below + 0) b = i }
        exit !(t > b && b > 0) }' || fail "window $1 is not above the main window ($stacking)"
}
screen_w=1024 screen_h=768
# centred DIALOG WHAT: the dialog with its frame is in the middle of the screen, to the rounding of a half.
centred() {
    local fx fy fw fh extents slack=1
    read -r fx fy fw fh <<<"$(frame_geometry "$1")"
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p')
    echo "$2 with its frame (extents $extents): ${fw}x${fh} at $fx,$fy on ${screen_w}x$screen_h;" \
        "off centre by $((fx * 2 + fw - screen_w))/2 across, $((fy * 2 + fh - screen_h))/2 down"
    [ -n "$extents" ] && [ "$fw" -gt "$(xwininfo -id "$1" | awk '/Width:/ {print $NF}')" ] ||
        fail "the window manager put no frame around $2"
    [ $((fx * 2 + fw - screen_w)) -ge -"$slack" ] && [ $((fx * 2 + fw - screen_w)) -le "$slack" ] ||
        fail "$2 is not centred across"
    [ $((fy * 2 + fh - screen_h)) -ge -"$slack" ] && [ $((fy * 2 + fh - screen_h)) -le "$slack" ] ||
        fail "$2 is not centred down"
}
# fixed_size_buttons WINDOW WHAT: a fixed-size dialog asks the window manager for neither a minimise nor a
# maximise button nor those functions (_MOTIF_WM_HINTS: flags, functions, decorations; functions 0x8 minimise
# and 0x10 maximise, decorations 0x20 and 0x40), and the window manager offers neither (openbox draws its buttons
# from what it allows).
fixed_size_buttons() {
    local actions hints flags functions decorations
    actions=$(xprop -id "$1" _NET_WM_ALLOWED_ACTIONS)
    hints=$(xprop -id "$1" _MOTIF_WM_HINTS | sed -n 's/.*= //p' | tr -d ',')
    echo "$2 asks for $hints (flags, functions, decorations); allowed: ${actions#*= }"
    read -r flags functions decorations _ <<<"$hints"
    ((${flags:-0} & 1 && (${functions:-0} & 0x18) == 0)) || fail "$2 leaves minimising or maximising to the window manager"
    ((${flags:-0} & 2 && (${decorations:-0} & 0x60) == 0)) || fail "$2 asks for minimise or maximise buttons"
    case "$actions" in *MINIMIZE* | *MAXIMIZE*) fail "$2 can be minimised or maximised: $actions" ;; esac
}
viewable() { xwininfo -id "$1" | grep -q IsViewable; }

run_program
import -window root "$artefacts/desktop_main.png"

# "Файл", "Настройки...".
open_from_menu Return Return
wait_for 10 window_shown "$settings_title" || fail "the settings dialog did not open"
dialog=$(window_shown "$settings_title" | head -1)
sleep 0.5
import -window root "$artefacts/desktop_settings_dialog.png"
centred "$dialog" "the settings dialog"
fixed_size_buttons "$dialog" "the settings dialog"
on_top "$dialog"
# Minimised all the same (a client may still ask the window manager): the tray icon brings the window back
# with the dialog over it, and the keyboard reaches the dialog.
xdotool windowminimize "$dialog"
sleep 1
echo "after minimising: dialog $(viewable "$dialog" && echo shown || echo hidden)," \
    "main window $(viewable "$main" && echo shown || echo hidden)"
# A minimised window goes to the tray at the first double click (as designed) and comes back at the next.
double_click_tray_icon
sleep 1
viewable "$main" || double_click_tray_icon
wait_for 5 viewable "$dialog" || fail "the tray icon did not bring back the minimised settings dialog"
wait_for 5 viewable "$main" || fail "the tray icon did not bring back the main window"
sleep 0.5
on_top "$dialog"
xdotool key Escape
wait_for 5 window_gone "$settings_title" || fail "Escape did not close the dialog"

# "Справка", "О программе...".
open_from_menu Right Return Return
wait_for 10 window_shown "$about_title" || fail "the About box did not open"
about=$(window_shown "$about_title" | head -1)
sleep 0.5
on_top "$about"
fixed_size_buttons "$about" "the About box"
[ -n "$(xprop -id "$about" _NET_FRAME_EXTENTS | sed -n 's/.*= //p')" ] || fail "the About box has no frame"
import -window root "$artefacts/desktop_about.png"
xdotool key Return # its one button, "Выход", has the focus
wait_for 5 window_gone "$about_title" || fail "Enter did not close the About box"
end_program "$program_pid" "the program"

# Twice the scale on a 2560x1600 screen, with the values monitor beside it as on a crew's desktop: the same window,
# every part drawn at twice the pixels, and the dialog centred however late its frame comes. A desktop of its own:
# the X server goes, and trayer and openbox with it.
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null || true
screen_w=2560 screen_h=1600
start_desktop ${screen_w}x${screen_h}x24
start_window_manager
XDG_CONFIG_HOME="$work/monitor_config" QT_SCALE_FACTOR=2 "$monitor" --path "$work/bin/Borevane.bin" \
    >"$work/monitor.log" 2>&1 &
monitor_pid=$!
pids+=($monitor_pid)
QT_SCALE_FACTOR=2 run_program
import -window root "$artefacts/desktop_main_2x.png"
open_from_menu Return Return
wait_for 10 window_shown "$settings_title" || fail "the settings dialog did not open at twice the scale"
dialog=$(window_shown "$settings_title" | head -1)
sleep 1
import -window root "$artefacts/desktop_settings_dialog_2x.png"
centred "$dialog" "the settings dialog at twice the scale"
fixed_size_buttons "$dialog" "the settings dialog at twice the scale"
xdotool key Escape
wait_for 5 window_gone "$settings_title" || fail "Escape did not close the dialog at twice the scale"
end_program "$program_pid" "the program at twice the scale"
kill -TERM "$monitor_pid"
echo "PASS: dialogs framed, focused and on top, the dialog centred with its frame; the tray icon brings back a minimised dialog; screenshots desktop_*.png in $artefacts"
