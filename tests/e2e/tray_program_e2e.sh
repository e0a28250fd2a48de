#!/usr/bin/env bash
# The tray program as a crew runs it: Xvfb with a notification area (trayer), the station simulator on the
# fixed port 8001, the program copied into a fresh directory. Checks the window, the tray icon and its double
# click, Borevane.bin following the station, and that SIGTERM leaves the settings and the install location.
#
# usage: tray_program_e2e.sh PROGRAM SIMULATOR READER ARTEFACT_DIR
# BV_E2E_SOAK_SECONDS (default 3): how long the program works before the memory figure is taken.
set -euo pipefail

program=$1 simulator=$2 reader=$3 artefacts=$4
soak=${BV_E2E_SOAK_SECONDS:-3}

. "$(dirname "$0")/e2e_lib.sh"
need Xvfb trayer xdotool import xwininfo xprop
enter_private_network "" "$@"

start_program_dir "$program"
start_desktop
start_station "$work/station.log"

started=$(date +%s%N)
start_program program
wait_for 15 grep -q "^connection 1 from" "$work/station.log" || fail "the program never connected to the station"
connected=$(date +%s%N)
echo "start-up to the first connection: $(((connected - started) / 1000000)) ms"
wait_for 10 main_window_shown || fail "the main window did not appear"
wait_for 10 tray_icon_shown || fail "no tray icon in the notification area"
[[ "$(xprop -id "$(main_window_shown | head -1)" _NET_WM_ICON)" == *"Icon ("* ]] || fail "the main window has no icon"

# Borevane.bin follows the station: fresh at two reads, with values that moved in between.
wait_for 10 test -s "$work/bin/Borevane.bin" || fail "Borevane.bin was not written"
first=$("$reader" --path "$work/bin/Borevane.bin") || fail "the reader failed: $first"
sleep 2.5
second=$("$reader" --path "$work/bin/Borevane.bin") || fail "the reader failed: $second"
echo "reader: $second"
[ "$(stat -c %s "$work/bin/Borevane.bin")" = 24 ] || fail "Borevane.bin is not 24 bytes"
[ "${first% age=*}" != "${second% age=*}" ] || fail "Borevane.bin did not change: $second"
age=${second##*age=}
awk -v a="${age%s}" 'BEGIN { exit !(a < 3) }' || fail "Borevane.bin is stale: $second"

# Working: the icon is the green one.
import -window "$(tray_icon)" "$work/icon.png"
read -r red green blue < <(convert "$work/icon.png" -resize '1x1!' -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]\n' info:)
[ "$green" -gt $((red + 30)) ] && [ "$green" -gt $((blue + 30)) ] ||
    fail "the tray icon is not green while working (average colour $red $green $blue)"
echo "tray icon average colour while working: $red $green $blue"

import -window root "$artefacts/tray_program.png"
echo "screenshot: $artefacts/tray_program.png"

# A real double click on the tray icon hides the window to the tray; another brings it back.
double_click_tray_icon
wait_for 10 main_window_hidden || fail "double click did not hide the window"
double_click_tray_icon
wait_for 10 main_window_shown || fail "double click did not restore the window"

sleep "$soak"
rss=$(awk '/^VmRSS/ {print $2, $3}' "/proc/$program_pid/status")
echo "memory after ${soak} s of work: RSS $rss"

end_program "$program_pid" "the program"
ini=$(cat "$work/bin/Borevane.ini" 2>/dev/null) || fail "no Borevane.ini after SIGTERM"
printf '%s\n' "$ini" | grep -qx '\[main\]' || fail "Borevane.ini lacks [main]: $ini"
printf '%s\n' "$ini" | grep -qx 'remote_name="localhost"' || fail "Borevane.ini lacks remote_name: $ini"
registry="$work/config/Kalvemark/Borevane.conf"
grep -qx "Install_Dir=$work/bin/" "$registry" || fail "Install_Dir does not hold the program's directory: $(cat "$registry")"
saved() { grep -qx 'remote_name="localhost"' "$work/bin/Borevane.ini" || fail "no settings saved $1"; }

# Second run: "Выход" from the tray menu while the window is hidden stops and saves as well.
rm -f "$work/bin/Borevane.ini"
start_program program2
wait_for 10 main_window_shown || fail "the main window did not appear again"
wait_for 10 grep -q "^connection 2 from" "$work/station.log" || fail "the second run never connected"
wait_for 10 tray_icon_shown || fail "no tray icon in the second run"
double_click_tray_icon
wait_for 10 main_window_hidden || fail "double click did not hide the window"
exit_by_tray_menu "while hidden"
saved "by the tray menu's exit while hidden"
wait_for 5 grep -q "^connection 2 closed" "$work/station.log" || fail "the connection was not closed"

# Third run: no display at all (Qt's offscreen platform, as the run command uses headless). The program still
# acquires, and SIGTERM still saves.
rm -f "$work/bin/Borevane.ini" "$work/bin/Borevane.bin"
QT_QPA_PLATFORM=offscreen DISPLAY= start_program program3
wait_for 15 grep -q "^connection 3 from" "$work/station.log" || fail "the headless run never connected"
wait_for 10 test -s "$work/bin/Borevane.bin" || fail "the headless run wrote no Borevane.bin"
"$reader" --path "$work/bin/Borevane.bin" >/dev/null || fail "the headless run's Borevane.bin is unreadable"
end_program "$program_pid" "the headless program"
saved "by the headless run"

# Fourth run: with the About box open ("Справка", its one item "О программе...", by keyboard), "Выход" from the
# tray menu still ends the program and saves.
rm -f "$work/bin/Borevane.ini"
start_program program4
wait_for 10 main_window_shown || fail "the main window did not appear in the fourth run"
wait_for 15 grep -q "^connection 4 from" "$work/station.log" || fail "the fourth run never connected"
wait_for 10 tray_icon_shown || fail "no tray icon in the fourth run"
menu_bar Right Return Return
wait_for 10 window_shown "$about_title" || fail "the About box did not open"
import -window root "$artefacts/about_box_open.png"
exit_by_tray_menu "over the About box" "$artefacts/tray_menu_over_about_box.png"
saved "by the tray menu's exit over the About box"
echo "PASS"
