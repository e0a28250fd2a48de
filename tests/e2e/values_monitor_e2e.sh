#!/usr/bin/env bash
# The live values monitor beside the running depth module, through the states a crew meets: Xvfb, the station
# simulator on the fixed port 8001 in a private network namespace, the module copied into a fresh directory (on
# Qt's offscreen platform: its own window is not under test here), and the monitor on the display, started before
# the module ever ran and finding Borevane.bin through the install location once the module has recorded it.
#   before the module: "Нет данных" on the dark band and no bar;
#   the module works: values, the bar, the light band; the window fits a 1024x768 screen;
#   the station paused (SIGSTOP; the module keeps its file, the values go stale): every row greyed, no green bar,
#   the dark band;
#   the station resumed: normal again, and the strips show a gap where the readings were stale;
#   the module ended and its file gone: "Нет файла", the last values still greyed.
# The value text's contrast with what is behind it is computed from the screenshots' pixels (at least 4.5:1).
# Beside it all along, the same window on a screen scaled by two. Screenshots of each state are kept.
#
# usage: values_monitor_e2e.sh PROGRAM SIMULATOR MONITOR ARTEFACT_DIR
set -euo pipefail

program=$1 simulator=$2 monitor=$3 artefacts=$4

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
need Xvfb xdotool import convert
enter_private_network "" "$@"

start_program_dir "$program"
start_xvfb 3200x1600x24
export QT_QPA_PLATFORM=xcb

title="Значения модуля глубины"
bar="#40B040"   # the rate of penetration's bar while current
trace="#000080" # the strips' traces
value="#000000" # the values' numerals while current
greyed="#595959" # and while not
fresh_band="#D5EFD9" alarm_band="#A11D1D"

# trace_columns FILE: one character per pixel column, 1 where a strip's trace has a pixel, else 0.
trace_columns() {
    local w
    w=$(identify -format '%w' "$1")
    convert "$1" -alpha off +transparent "$trace" -alpha extract -scale "${w}x1!" -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 { printf "%s", ($4 > 0 ? 1 : 0) }'
}
# shot NAME: the monitor's window as artefact NAME.png.
shot() {
    import -window "$window" "$artefacts/values_monitor_$1.png"
}
status_seen() { grep -q "^status: $1\$" "$work/monitor.log"; }

"$monitor" --print >"$work/monitor.log" 2>"$work/monitor.err" &
monitor_pid=$!
pids+=($monitor_pid)
wait_for 10 xdotool search --all --onlyvisible --pid "$monitor_pid" --name "^$title\$" ||
    fail "the monitor's window did not appear"
window=$(xdotool search --all --onlyvisible --pid "$monitor_pid" --name "^$title\$" | head -1)
# The same window on a screen scaled by two, beside the first (clear of it), finding the file the same way.
QT_SCALE_FACTOR=2 "$monitor" >"$work/scaled.log" 2>&1 &
scaled_pid=$!
pids+=($scaled_pid)
wait_for 10 xdotool search --all --onlyvisible --pid "$scaled_pid" --name "^$title\$" ||
    fail "the scaled monitor's window did not appear"
scaled=$(xdotool search --all --onlyvisible --pid "$scaled_pid" --name "^$title\$" | head -1)
xdotool windowmove "$scaled" 1100 0

# Before the module ever ran: no data, no bar, no number.
status_seen "Нет данных" || fail "the monitor did not start with no data: $(head -3 "$work/monitor.log")"
sleep 1.5
shot nodata
import -window "$scaled" "$artefacts/values_monitor_scale2_nodata.png"
[ "$(count_colour "$artefacts/values_monitor_scale2_nodata.png" "$alarm_band")" -gt 20000 ] ||
    fail "no dark band without data on the scaled screen"
[ "$(count_colour "$artefacts/values_monitor_nodata.png" "$bar")" = 0 ] || fail "a bar is shown before any value"
[ "$(count_colour "$artefacts/values_monitor_nodata.png" "$alarm_band")" -gt 5000 ] || fail "no dark band without data"
read -r shown_w shown_h <<<"$(identify -format '%w %h' "$artefacts/values_monitor_nodata.png")"
echo "the window: ${shown_w}x$shown_h"
[ "$shown_w" -le 1024 ] && [ "$shown_h" -le 720 ] || fail "the window (${shown_w}x$shown_h) does not fit a 1024x768 screen"
grep -q '^depth=' "$work/monitor.log" && fail "a value was printed before the module ran"

start_station "$work/station.log"
station_pid=${pids[-1]}
QT_QPA_PLATFORM=offscreen "$work/bin/Borevane" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=($program_pid)
wait_for 15 test -s "$work/bin/Borevane.bin" || fail "the module wrote no Borevane.bin"

# Working: fresh readings, the bar, the module seen running.
wait_for 10 grep -q '^depth=.* age=[0-9.]*s$' "$work/monitor.log" || fail "the monitor read no fresh values"
status_seen "Работа" || fail "the headline did not turn to work"
sleep 8 # some history in the strips
shot working
working_bar=$(count_colour "$artefacts/values_monitor_working.png" "$bar")
working_greyed=$(count_colour "$artefacts/values_monitor_working.png" "$greyed")
[ "$working_bar" -gt 100 ] || fail "no bar while the module works ($working_bar pixels)"
[ "$(count_colour "$artefacts/values_monitor_working.png" "$fresh_band")" -gt 5000 ] || fail "no light band while working"
legible "$artefacts/values_monitor_working.png" "$value"
grep -q '^depth=.* stale$' "$work/monitor.log" && fail "a reading was stale while the module worked"
firsts=$(grep '^depth=' "$work/monitor.log" | sed 's/ age=.*//' | sort -u | wc -l)
[ "$firsts" -ge 2 ] || fail "the values read did not change"
echo "working: $working_bar bar pixels, $working_greyed greyed pixels"

# The station pauses: the module keeps its file unchanged, the readings go stale after five seconds.
kill -STOP "$station_pid"
stopped=$(date +%s%N)
wait_for 15 grep -q '^depth=.* stale$' "$work/monitor.log" || fail "the values never went stale"
echo "stale $((($(date +%s%N) - stopped) / 1000000)) ms after the station paused"
status_seen "Данные устарели" || fail "the headline does not say the data are stale"
sleep 8 # a gap of some ten seconds: several pixels of a strip
shot stale
import -window "$scaled" "$artefacts/values_monitor_scale2_stale.png"
legible "$artefacts/values_monitor_scale2_stale.png" "$greyed"
stale_bar=$(count_colour "$artefacts/values_monitor_stale.png" "$bar")
stale_greyed=$(count_colour "$artefacts/values_monitor_stale.png" "$greyed")
echo "stale: $stale_bar bar pixels, $stale_greyed greyed pixels"
[ "$stale_bar" = 0 ] || fail "the bar keeps its live colour while stale"
[ "$stale_greyed" -gt $((working_greyed * 10 + 1000)) ] || fail "the rows are not greyed ($stale_greyed greyed pixels, $working_greyed before)"
[ "$(count_colour "$artefacts/values_monitor_stale.png" "$alarm_band")" -gt 5000 ] || fail "no dark band while stale"
legible "$artefacts/values_monitor_stale.png" "$greyed"

# Resumed: fresh again, and a gap in the strips where no fresh reading came.
kill -CONT "$station_pid"
lines=$(wc -l <"$work/monitor.log")
wait_for 30 sh -c "tail -n +$((lines + 1)) '$work/monitor.log' | grep -q '^depth=.* age=[0-9.]*s\$'" ||
    fail "the values did not become fresh again"
sleep 4
shot resumed
resumed_bar=$(count_colour "$artefacts/values_monitor_resumed.png" "$bar")
resumed_greyed=$(count_colour "$artefacts/values_monitor_resumed.png" "$greyed")
echo "resumed: $resumed_bar bar pixels, $resumed_greyed greyed pixels"
[ "$resumed_bar" -gt 100 ] || fail "no bar once fresh again"
[ "$resumed_greyed" -lt $((stale_greyed / 10)) ] || fail "the rows stay greyed ($resumed_greyed greyed pixels)"
columns=$(trace_columns "$artefacts/values_monitor_resumed.png")
trimmed=$(echo "$columns" | sed 's/^0*//; s/0*$//')
echo "trace columns: $trimmed"
[[ "$trimmed" =~ 1000+1 ]] || fail "no gap in the strips: $trimmed"

# The scaled window, fresh again.
import -window "$scaled" "$artefacts/values_monitor_scale2.png"
read -r scaled_w scaled_h <<<"$(identify -format '%w %h' "$artefacts/values_monitor_scale2.png")"
echo "the scaled window: ${scaled_w}x$scaled_h"
[ "$scaled_w" -ge 1200 ] || fail "the scaled window is not scaled ($scaled_w pixels wide)"
[ "$scaled_w" -le 2048 ] && [ "$scaled_h" -le 1440 ] || fail "the scaled window does not fit a 2048x1536 screen"
legible "$artefacts/values_monitor_scale2.png" "$value"
[ "$(count_colour "$artefacts/values_monitor_scale2.png" "$bar")" -gt 400 ] || fail "no bar on the scaled screen"

# The module ends and its file goes: no file, the last values still greyed.
end_program "$program_pid" "the module"
lines=$(wc -l <"$work/monitor.log")
rm -f "$work/bin/Borevane.bin"
wait_for 5 sh -c "tail -n +$((lines + 1)) '$work/monitor.log' | grep -q '^unread: No such file or directory stale\$'" ||
    fail "the monitor did not report the missing file"
status_seen "Нет файла" || fail "the headline does not say the file is missing: $(grep "^status:" "$work/monitor.log")"
sleep 1.5
shot missing
[ "$(count_colour "$artefacts/values_monitor_missing.png" "$bar")" = 0 ] || fail "the bar looks live without a file"
legible "$artefacts/values_monitor_missing.png" "$greyed"
# The scaled window, the file gone too.
import -window "$scaled" "$artefacts/values_monitor_scale2_missing.png"
legible "$artefacts/values_monitor_scale2_missing.png" "$greyed"
kill "$scaled_pid"
if grep -qi 'critical\|fatal' "$work/monitor.err"; then
    cat "$work/monitor.err" >&2
fi
echo "PASS: screenshots in $artefacts: values_monitor_{,scale2_}{nodata,stale,missing}.png, values_monitor_{working,resumed,scale2}.png"
