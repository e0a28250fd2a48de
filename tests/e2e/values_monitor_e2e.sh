#!/usr/bin/env bash
# The live values monitor beside the running depth module: Xvfb, the station simulator on the fixed port
# 8001, the module copied into a fresh directory (on Qt's offscreen platform: its own window is not under
# test here), the monitor on the display finding Borevane.bin through the install location. Checks that
# the values on the screen change while the module works, and that the file's age turns red once the
# module is stopped. Screenshots of both states are kept.
#
# usage: values_monitor_e2e.sh PROGRAM SIMULATOR MONITOR ARTEFACT_DIR
set -euo pipefail

program=$1 simulator=$2 monitor=$3 artefacts=$4

. "$(dirname "$0")/e2e_lib.sh"
need Xvfb xdotool import convert compare
enter_private_network "" "$@"

start_program_dir "$program"
start_xvfb
start_station "$work/station.log"
QT_QPA_PLATFORM=offscreen start_program program
wait_for 15 test -s "$work/bin/Borevane.bin" || fail "the module wrote no Borevane.bin"

"$monitor" --print >"$work/monitor.log" 2>"$work/monitor.err" &
pids+=($!)
title="Значения модуля глубины"
wait_for 10 window_shown "$title" || fail "the monitor's window did not appear"
window=$(window_shown "$title" | head -1)

# red_pixels FILE: how many pixels are plainly red (the age when the file is stale).
red_pixels() {
    convert "$1" -fx '(r > 0.8 && g < 0.25 && b < 0.25) ? 1 : 0' -format '%[fx:int(mean * w * h + 0.5)]' info:
}

# Working: fresh readings, and the window's pixels change as the values do.
wait_for 10 grep -q '^depth=.* age=[0-9.]*s$' "$work/monitor.log" || fail "the monitor read no fresh values: $(tail -3 "$work/monitor.log")"
sleep 1.2
import -window "$window" "$work/working1.png"
sleep 2.2
import -window "$window" "$artefacts/values_monitor_working.png"
differing=$(compare -metric AE "$work/working1.png" "$artefacts/values_monitor_working.png" null: 2>&1 || true)
[ "${differing%% *}" -gt 0 ] 2>/dev/null || fail "the monitor's window did not change in 2 s of work ($differing)"
echo "pixels changed in 2.2 s of work: $differing"
lines=$(grep -c '^depth=' "$work/monitor.log")
firsts=$(grep '^depth=' "$work/monitor.log" | sed 's/ age=.*//' | sort -u | wc -l)
[ "$firsts" -ge 2 ] || fail "the values read did not change over $lines readings"
# The bar's alarm line is red too: a one-pixel column across the bar, under 30 pixels.
working_red=$(red_pixels "$artefacts/values_monitor_working.png")
[ "$working_red" -lt 30 ] || fail "red shown while the module works ($working_red red pixels)"
grep -q ' stale$' "$work/monitor.log" && fail "a reading was stale while the module worked: $(grep ' stale$' "$work/monitor.log" | head -1)"

# The module stops: after five seconds the age turns red, the last values stay.
kill -TERM "$program_pid"
wait "$program_pid" || true
stopped=$(date +%s%N)
wait_for 10 grep -q ' stale$' "$work/monitor.log" || fail "the monitor never called the stopped module's file stale"
turned=$(date +%s%N)
echo "stale $(((turned - stopped) / 1000000)) ms after the module stopped"
# The module's last write may precede its stop by up to a second: the age on the stale line is what counts.
stale_line=$(grep -m1 ' stale$' "$work/monitor.log")
stale_age=${stale_line##*age=}
awk -v a="${stale_age%s stale}" 'BEGIN { exit !(a > 5.0) }' || fail "called stale at an age of 5 s or less: $stale_line"
[ $(((turned - stopped) / 1000000)) -ge 3000 ] || fail "stale too early after the module stopped"
sleep 0.5
import -window "$window" "$artefacts/values_monitor_stale.png"
red=$(red_pixels "$artefacts/values_monitor_stale.png")
[ "$red" -gt $((working_red + 20)) ] || fail "the stale age is not shown in red ($red red pixels, $working_red before)"
echo "red pixels while working: $working_red, once stale: $red"

# The file removed: still red, now saying it cannot be read.
rm -f "$work/bin/Borevane.bin"
wait_for 5 grep -q '^unread: .* stale$' "$work/monitor.log" || fail "the monitor did not report the missing file"
if grep -qi 'critical\|fatal' "$work/monitor.err"; then
    cat "$work/monitor.err" >&2
fi
echo "PASS: screenshots $artefacts/values_monitor_working.png $artefacts/values_monitor_stale.png"
