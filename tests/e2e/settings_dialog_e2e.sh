#!/usr/bin/env bash
# Pointing the running program at another station computer through "Настройки...", by real clicks and keys,
# under Xvfb with a notification area (trayer), in a private network namespace: station A on 127.0.0.1:8001,
# station B on 127.0.0.2:8001. The new host is used from the next connection attempt on, values from B reach
# Borevane.bin, and Borevane.ini keeps the old host until "Выход" and the new one after it.
#
# usage: settings_dialog_e2e.sh PROGRAM SIMULATOR READER ARTEFACT_DIR
set -euo pipefail

program=$1 simulator=$2 reader=$3 artefacts=$4

. "$(dirname "$0")/e2e_lib.sh"
need Xvfb trayer xdotool import xwininfo unshare ip

# Port 8001 on two loopback addresses: only a network namespace of this run's own gives both.
if [ -z "${BV_E2E_IN_NETNS:-}" ]; then
    for isolate in "unshare -n" "unshare -rn"; do
        if $isolate true 2>/dev/null; then
            exec env BV_E2E_IN_NETNS=1 $isolate bash "$0" "$@"
        fi
    done
    skip "no private network namespace can be had here"
fi
ip link set lo up

start_program_dir "$program"
export QT_QPA_PLATFORM=xcb

# station NAME ADDRESS: starts a simulator on ADDRESS:8001 logging to NAME.log; sets station_pid.
station() {
    "$simulator" --address "$2" --port 8001 --verbose >"$work/$1.log" 2>&1 &
    station_pid=$!
    pids+=($station_pid)
    wait_for 10 grep -q "listening on $2:8001" "$work/$1.log" || fail "station $1 did not start on $2"
}
ini_host() { sed -n 's/^remote_name=//p' "$work/bin/Borevane.ini"; }

start_desktop

station a 127.0.0.1
a_pid=$station_pid
station b 127.0.0.2

printf '[main]\nremote_name="127.0.0.1"\n' >"$work/bin/Borevane.ini"
"$work/bin/Borevane" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=($program_pid)
title=" Модуль глубины для забойной системы"
wait_for 10 xdotool search --onlyvisible --name "^$title\$" || fail "the main window did not appear"
wait_for 15 grep -q "^connection 1 from" "$work/a.log" || fail "the program never connected to station A"
wait_for 10 grep -q "^connection 1: request 2" "$work/a.log" || fail "station A got no requests"

# "Файл", then its first item "Настройки...".
main=$(xdotool search --onlyvisible --name "^$title\$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 20)) $((Y + 10)) click 1
sleep 0.5
xdotool mousemove $((X + 60)) $((Y + 29)) click 1
wait_for 10 xdotool search --onlyvisible --name '^  Настройки$' || fail "the settings dialog did not open"
dialog=$(xdotool search --onlyvisible --name '^  Настройки$' | head -1)
sleep 0.5
import -window "$dialog" "$artefacts/settings_dialog.png"
eval "$(xdotool getwindowgeometry --shell "$dialog")"
echo "settings dialog: ${WIDTH}x${HEIGHT} at $X,$Y on a 1024x768 screen"
# Centred, and within two thirds of the screen's height and eleven twelfths of its width.
[ $((X * 2 + WIDTH - 1024)) -ge -1 ] && [ $((X * 2 + WIDTH - 1024)) -le 1 ] || fail "the dialog is not centred across"
[ $((Y * 2 + HEIGHT - 768)) -ge -1 ] && [ $((Y * 2 + HEIGHT - 768)) -le 1 ] || fail "the dialog is not centred down"
[ "$HEIGHT" -le 512 ] && [ "$WIDTH" -le 938 ] || fail "the dialog is larger than the screen allows"

# The value cell of the option row: the grid's last row and column, just above the button panel. The panel
# is 36 pixels high at 96 dpi, the horizontal scroll bar's room and 8 pixels of slack come before it.
xdotool mousemove $((X + WIDTH - 40)) $((Y + HEIGHT - 36 - 8 - 16 - 12)) click 1
sleep 0.3
xdotool key ctrl+a
xdotool type --delay 30 "127.0.0.2"
sleep 0.3
import -window "$dialog" "$artefacts/settings_dialog_typed.png"
# OK: left of "Отмена", both at the panel's right end.
xdotool mousemove $((X + WIDTH - 5 - 69 - 3 - 32)) $((Y + HEIGHT - 36 + 6 + 12)) click 1
wait_for 10 bash -c "! xdotool search --onlyvisible --name '^  Настройки\$'" || fail "OK did not close the dialog"

# Nothing reconnects and nothing is saved: the connection to A stands, the file holds the old host.
sleep 1.5
grep -q "^connection 1 closed" "$work/a.log" && fail "the dialog closed the connection to station A"
[ "$(ini_host)" = '"127.0.0.1"' ] || fail "Borevane.ini changed before Exit: $(ini_host)"

# Station A closes its connection (it ends). A new listener on 127.0.0.1 catches an attempt that would still
# go to the old host; the next attempt must go to B.
kill -TERM "$a_pid"
wait_for 5 bash -c "! kill -0 $a_pid" || fail "station A did not end"
station trap 127.0.0.1
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

# "Выход" from the tray menu by real clicks: now the file holds the new host.
tray_icon() { xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ {p = 1} p && /\("Borevane" "Borevane"\)/ {print $1; exit}'; }
wait_for 10 test -n "$(tray_icon)" || fail "no tray icon in the notification area"
xdotool mousemove --window "$(tray_icon)" 8 8 click 3
sleep 0.5
xdotool key Down Return
wait_for 15 bash -c "! kill -0 $program_pid" || fail "the tray menu's exit did not end the program"
status=0
wait "$program_pid" || status=$?
[ "$status" = 0 ] || fail "the program ended with $status"
[ "$(ini_host)" = '"127.0.0.2"' ] || fail "Borevane.ini does not hold the new host after Exit: $(ini_host)"
grep -q "^connection 1 closed" "$work/b.log" || fail "the connection to station B was not closed at Exit"
echo "screenshots: $artefacts/settings_dialog.png $artefacts/settings_dialog_typed.png"
echo "PASS"
