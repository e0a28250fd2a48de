#!/usr/bin/env bash
# Pointing the running program at another station computer through "Настройки...", by the keyboard as a person
# without a mouse does, under Xvfb with a notification area (trayer), in a private network namespace: station A
# on 127.0.0.1:8001, station B on 127.0.0.2:8001. The new host is used from the next connection attempt on,
# values from B reach Borevane.bin, a cancelled change is dropped, and Borevane.ini keeps the old host until
# "Выход" and the new one after it.
#
# usage: settings_dialog_e2e.sh PROGRAM SIMULATOR READER ARTEFACT_DIR
set -euo pipefail

program=$1 simulator=$2 reader=$3 artefacts=$4

. "$(dirname "$0")/e2e_lib.sh"
need Xvfb trayer xdotool import xwininfo unshare ip
enter_private_network "" "$@"
# Port 8001 on two loopback addresses: only a network namespace of this run's own gives both.
[ -n "${BV_E2E_IN_NETNS:-}" ] || skip "no private network namespace can be had here"

start_program_dir "$program"
ini_host() { sed -n 's/^remote_name=//p' "$work/bin/Borevane.ini"; }

start_desktop
start_station "$work/a.log" 127.0.0.1
a_pid=$station_pid
start_station "$work/b.log" 127.0.0.2

printf '[main]\nremote_name="127.0.0.1"\n' >"$work/bin/Borevane.ini"
start_program program
wait_for 10 main_window_shown || fail "the main window did not appear"
wait_for 15 grep -q "^connection 1 from" "$work/a.log" || fail "the program never connected to station A"
wait_for 10 grep -q "^connection 1: request 2" "$work/a.log" || fail "station A got no requests"

# open_settings: "Файл", its first item "Настройки..."; the dialog opens with the focus on OK.
open_settings() {
    menu_bar Return Return
    wait_for 10 window_shown "$settings_title" || fail "the settings dialog did not open"
    sleep 0.5
}
# type_host HOST: Tab past OK and "Отмена" into the grid, Down from the section's row to the option's value.
type_host() {
    xdotool key Tab Tab Down ctrl+a
    xdotool type --delay 30 "$1"
    sleep 0.3
}

open_settings
dialog=$(window_shown "$settings_title" | head -1)
import -window "$dialog" "$artefacts/settings_dialog.png"
eval "$(xdotool getwindowgeometry --shell "$dialog")"
echo "settings dialog: ${WIDTH}x${HEIGHT} at $X,$Y on a 1024x768 screen"
# Centred, and within two thirds of the screen's height and eleven twelfths of its width.
[ $((X * 2 + WIDTH - 1024)) -ge -1 ] && [ $((X * 2 + WIDTH - 1024)) -le 1 ] || fail "the dialog is not centred across"
[ $((Y * 2 + HEIGHT - 768)) -ge -1 ] && [ $((Y * 2 + HEIGHT - 768)) -le 1 ] || fail "the dialog is not centred down"
[ "$HEIGHT" -le 512 ] && [ "$WIDTH" -le 938 ] || fail "the dialog is larger than the screen allows"
type_host 127.0.0.2
import -window "$dialog" "$artefacts/settings_dialog_typed.png"
# Enter: the default button OK.
xdotool key Return
wait_for 10 window_gone "$settings_title" || fail "Enter did not close the dialog"

# Nothing reconnects and nothing is saved: the connection to A stands, the file holds the old host.
sleep 1.5
grep -q "^connection 1 closed" "$work/a.log" && fail "the dialog closed the connection to station A"
[ "$(ini_host)" = '"127.0.0.1"' ] || fail "Borevane.ini changed before Exit: $(ini_host)"

# Station A closes its connection (it ends). A new listener on 127.0.0.1 catches an attempt that would still
# go to the old host; the next attempt must go to B.
kill -TERM "$a_pid"
wait_for 5 ended "$a_pid" || fail "station A did not end"
start_station "$work/trap.log" 127.0.0.1
wait_for 15 grep -q "^connection 1 from" "$work/b.log" || fail "the next attempt did not go to 127.0.0.2"
grep -q "^connection" "$work/trap.log" && fail "an attempt went to the old host 127.0.0.1"
wait_for 10 grep -q "^connection 1: request 2" "$work/b.log" || fail "station B got no requests"

# Values from B reach Borevane.bin: rewritten afresh after B answered (A is gone).
rm -f "$work/bin/Borevane.bin"
wait_for 10 test -s "$work/bin/Borevane.bin" || fail "Borevane.bin was not written from station B"
values=$("$reader" --path "$work/bin/Borevane.bin") || fail "the reader failed: $values"
echo "reader, from station B: $values"
age=${values##*age=}
awk -v a="${age%s}" 'BEGIN { exit !(a < 3) }' || fail "Borevane.bin is stale: $values"
[ "$(ini_host)" = '"127.0.0.1"' ] || fail "Borevane.ini changed before Exit: $(ini_host)"

# Escape: "Отмена", the host typed is dropped.
open_settings
type_host 127.0.0.3
xdotool key Escape
wait_for 10 window_gone "$settings_title" || fail "Escape did not close the dialog"

# "Выход" from the tray menu: now the file holds the new host.
wait_for 10 tray_icon_shown || fail "no tray icon in the notification area"
exit_by_tray_menu "with a new host"
[ "$(ini_host)" = '"127.0.0.2"' ] || fail "Borevane.ini does not hold the new host after Exit: $(ini_host)"
grep -q "^connection 1 closed" "$work/b.log" || fail "the connection to station B was not closed at Exit"
echo "screenshots: $artefacts/settings_dialog.png $artefacts/settings_dialog_typed.png"
echo "PASS"
