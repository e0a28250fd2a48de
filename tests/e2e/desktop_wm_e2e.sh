#!/usr/bin/env bash
# The program on a desktop with a window manager (openbox) and a notification area (trayer), against the
# station simulator in a private network namespace. The settings dialog and the About box, opened from the
# keyboard, get real frames, take the focus and stay above the main window; the dialog is centred on the
# screen with its frame. Then the main window once more at QT_SCALE_FACTOR=2. Screenshots kept as artefacts.
#
# usage: desktop_wm_e2e.sh PROGRAM SIMULATOR ARTEFACT_DIR
set -euo pipefail

program=$1 simulator=$2 artefacts=$3

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
    [ "$(xdotool getactivewindow)" = "$1" ] || fail "window $1 does not have the focus"
    local stacking
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr -d ',')
    awk -v s="$stacking" -v top="$1" -v below="$main" 'BEGIN {
        n = split(s, w, " "); for (i = 1; i <= n; i++) { if (w[i] + 0 == top + 0) t = i; if (w[i] + 0 == below + 0) b = i }
        exit !(t > b && b > 0) }' || fail "window $1 is not above the main window ($stacking)"
}
screen_w=1024 screen_h=768

run_program
import -window root "$artefacts/desktop_main.png"

# "Файл", "Настройки...".
open_from_menu Return Return
wait_for 10 window_shown "$settings_title" || fail "the settings dialog did not open"
dialog=$(window_shown "$settings_title" | head -1)
sleep 0.5
read -r fx fy fw fh <<<"$(frame_geometry "$dialog")"
extents=$(xprop -id "$dialog" _NET_FRAME_EXTENTS | sed -n 's/.*= //p')
echo "settings dialog with its frame (extents $extents): ${fw}x${fh} at $fx,$fy on ${screen_w}x$screen_h;" \
    "off centre by $((fx * 2 + fw - screen_w))/2 across, $((fy * 2 + fh - screen_h))/2 down"
[ -n "$extents" ] && [ "$fw" -gt "$(xwininfo -id "$dialog" | awk '/Width:/ {print $NF}')" ] ||
    fail "the window manager put no frame around the dialog"
[ $((fx * 2 + fw - screen_w)) -ge -1 ] && [ $((fx * 2 + fw - screen_w)) -le 1 ] || fail "the framed dialog is not centred across"
[ $((fy * 2 + fh - screen_h)) -ge -1 ] && [ $((fy * 2 + fh - screen_h)) -le 1 ] || fail "the framed dialog is not centred down"
on_top "$dialog"
import -window root "$artefacts/desktop_settings_dialog.png"
xdotool key Escape
wait_for 5 window_gone "$settings_title" || fail "Escape did not close the dialog"

# "Справка", "О программе...".
open_from_menu Right Return Return
wait_for 10 window_shown "$about_title" || fail "the About box did not open"
about=$(window_shown "$about_title" | head -1)
sleep 0.5
on_top "$about"
[ -n "$(xprop -id "$about" _NET_FRAME_EXTENTS | sed -n 's/.*= //p')" ] || fail "the About box has no frame"
import -window root "$artefacts/desktop_about.png"
xdotool key Return # its one button, "Выход", has the focus
wait_for 5 window_gone "$about_title" || fail "Enter did not close the About box"
end_program "$program_pid" "the program"

# Twice the scale: the same window, every part drawn at twice the pixels.
QT_SCALE_FACTOR=2 run_program
import -window root "$artefacts/desktop_main_2x.png"
end_program "$program_pid" "the program at twice the scale"
echo "PASS: dialogs framed, focused and on top, the dialog centred with its frame; screenshots desktop_*.png in $artefacts"
