#!/usr/bin/env bash
# The fleet view on shore against a real mosquitto in a private network namespace, on Xvfb: the fleet simulator
# with 50 rigs beside one real rig (station simulator → depth module → Borevane.bin → edge node). What the view
# shows is read from its dump (the table's cells exactly as drawn, and the empty stretches of an open detail's
# strip), checked against the file's own values and the times of what the test does:
#   51 rows, every one "В работе"; the real rig's values equal Borevane.bin's as the reader prints them;
#   the edge node killed (kill -9): its row "Нет связи" within 2 s of the broker's will, its values greyed and
#   marked, still legible; a real gap in the detail's strip for the time it was dead;
#   the broker stopped for BV_E2E_OUTAGE_SECONDS (20) while the module goes on: the status line says so, every row
#   "Нет связи"; started again: the real rig "Догоняет" then "В работе", and the detail's strip has no empty
#   column where its backlog filled the outage.
# The view is the primary host (--host-id) and the edge node waits for it, as a Sparkplug site runs. Screenshots
# at 1x and 2x (QT_SCALE_FACTOR=2) are kept.
#
# usage: fleet_view_e2e.sh PROGRAM SIMULATOR EDGE_NODE READER FLEET_SIMULATOR FLEET_VIEW ARTEFACT_DIR
set -euo pipefail

program=$1 simulator=$2 edge=$3 reader=$4 fleet_simulator=$5 view=$6 artefacts=$7
outage=${BV_E2E_OUTAGE_SECONDS:-20}

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
need mosquitto Xvfb xdotool import convert python3
enter_private_network "" "$@"
start_program_dir "$program"
start_xvfb 2048x1536x24
export LC_ALL=C.UTF-8

now_ms() { date +%s%3N; }
dump="$work/view.txt"
# row RIG: the dump's line of that rig (tab-separated: row, number, rig, state, age, six values).
row() { grep -P "^row\t\d+\t$1\t" "$dump"; }
state_is() { row "$1" | cut -f4 | grep -qx "$2"; }
rows_are() { head -1 "$dump" | grep -q " rows=$1 "; }
all_live() { [ "$(grep -cP '^row\t.*\tВ работе\t' "$dump")" = "$1" ]; }
dump_time() { head -1 "$dump" | sed 's/^time_ms=\([0-9]*\).*/\1/'; }
# shot WINDOW NAME: the window as artefact NAME.png.
shot() { import -window "$1" "$artefacts/$2.png"; }
# shot_showing WINDOW NAME COLOUR: the same once COLOUR is on it, for up to 3 s: the dump is written from the
# table's model, the window shows it a paint later.
shot_showing() {
    for _ in $(seq 30); do
        shot "$1" "$2"
        [ "$(count_colour "$artefacts/$2.png" "$3")" -gt 0 ] && return 0
        sleep 0.1
    done
}

cat >"$work/mosquitto.conf" <<CONF
user root
allow_anonymous true
listener 1883 127.0.0.1
CONF
printf '[mqtt]\nprimary_host = shore\n' >"$work/edge.ini"
start_edge() {
    "$edge" --node edge1 --path "$work/bin/Borevane.bin" --queue "$work/edge1.db" --settings "$work/edge.ini" \
        2>>"$work/edge.log" &
    edge_pid=$!
    pids+=($edge_pid)
}

start_station "$work/station.log"
QT_QPA_PLATFORM=offscreen "$work/bin/Borevane" >"$work/program.log" 2>&1 &
pids+=($!)
module_pid=$!
wait_for 15 test -s "$work/bin/Borevane.bin" || fail "the module wrote no Borevane.bin"
start_broker
"$view" --host-id shore --dump "$dump" --dump-every-ms 100 >"$work/view.log" 2>"$work/view.err" &
view_pid=$!
pids+=($view_pid)
"$fleet_simulator" --nodes 50 --prefix rig >"$work/fleet_simulator.log" 2>&1 &
pids+=($!)
start_edge

# 51 rows, all at work.
wait_for 40 rows_are 51 || fail "the view did not show 51 rows: $(head -1 "$dump" 2>/dev/null)"
wait_for 20 all_live 51 || fail "not every rig at work: $(grep -vP '\tВ работе\t' "$dump" | head -5)"
window=$(xdotool search --all --onlyvisible --pid "$view_pid" --class borevane_fleet | head -1)
[ -n "$window" ] || fail "no window of the fleet view"

# The real rig's values are the file's: each of ten dumps shows one of the readings the reader printed meanwhile.
"$reader" --path "$work/bin/Borevane.bin" --follow --interval-ms 100 >"$work/reader.log" 2>&1 &
reader_pid=$!
pids+=($reader_pid)
sleep 1
for _ in $(seq 10); do
    row edge1/depth >>"$work/shown.txt"
    sleep 0.5
done
sleep 1
kill "$reader_pid"
python3 - "$work/shown.txt" "$work/reader.log" <<'PY' || fail "the real rig's values are not Borevane.bin's (above)"
import re, sys
shown = [[float(c.split()[0]) for c in line.rstrip("\n").split("\t")[5:11]] for line in open(sys.argv[1])]
read = [[float(v) for v in re.findall(r"=(-?\d+\.\d+)", line)[:6]] for line in open(sys.argv[2]) if "=" in line]
# The reader prints three decimals, the view two: equal within the rounding of both.
for s in shown:
    if not any(all(abs(a - b) <= 0.0051 for a, b in zip(s, r)) for r in read):
        sys.exit(f"shown {s} is none of the {len(read)} readings, e.g. {read[-1] if read else None}")
print(f"the real rig's values: {len(shown)} views, each one of {len(read)} readings of Borevane.bin")
PY
shot "$window" fleet_view_1x
legible "$artefacts/fleet_view_1x.png" "#1B6E20"

# The detail of the first rig by name: the real one.
xdotool windowfocus --sync "$window"
xdotool key ctrl+Home Return
wait_for 10 grep -qP '^detail\tedge1/depth\t' "$dump" || fail "Enter opened no detail of edge1/depth"
# Beside the table, as a window manager would place it.
detail_window=$(xdotool search --all --onlyvisible --pid "$view_pid" --name "edge1/depth" | head -1)
[ -n "$detail_window" ] || fail "no detail window"
xdotool windowmove --sync "$detail_window" 1010 0

# kill -9: the broker publishes the node's will at once; the row must say so within 2 s.
sleep 3
killed_at=$(now_ms)
kill -9 "$edge_pid"
wait_for 5 state_is edge1/depth "Нет связи" || fail "the killed rig never showed Нет связи"
offline_at=$(dump_time)
echo "killed rig shown offline after $((offline_at - killed_at)) ms"
[ $((offline_at - killed_at)) -le 2000 ] || fail "the killed rig showed Нет связи only after $((offline_at - killed_at)) ms"
row edge1/depth | grep -q "(устар.)" || fail "the killed rig's values are not marked"
shot_showing "$window" fleet_view_offline_1x "#B71C1C"
legible "$artefacts/fleet_view_offline_1x.png" "#595959"
legible "$artefacts/fleet_view_offline_1x.png" "#B71C1C"
# Dead long enough to leave empty columns in an hour's strip (several seconds a column).
sleep 20
restarted_at=$(now_ms)
start_edge
wait_for 20 state_is edge1/depth "В работе" || fail "the restarted rig did not come back: $(tail -3 "$work/edge.log")"
# Started after the view's STATE was published, it learned from the retained message that its host is online.
[ "$(grep -c "primary host shore online" "$work/edge.log")" -ge 2 ] ||
    fail "the edge node did not see the view's retained STATE: $(cat "$work/edge.log")"

# The broker goes away while the module writes on; the edge keeps the readings and sends them afterwards.
sleep 5
outage_from=$(now_ms)
kill -TERM "$broker_pid"
wait "$broker_pid" || true
wait_for 3 grep -q "^broker: lost" "$work/view.log" || fail "the view did not say the broker was lost"
wait_for 3 grep -q "primary host shore offline" "$work/edge.log" || fail "the view's will did not reach the edge node"
wait_for 3 bash -c "head -1 '$dump' | grep -q broker=lost" || fail "the dump does not say the broker was lost"
wait_for 3 state_is rig001/depth "Нет связи" || fail "the rigs are not offline while the broker is gone"
sleep 2
shot "$window" fleet_view_broker_lost_1x
sleep $((outage - 2))
outage_to=$(now_ms)
start_broker
# Polled more often than the catching-up lasts: the states the real rig goes through, each once in order.
: >"$work/states.txt"
for _ in $(seq 600); do
    state=$(row edge1/depth | cut -f4)
    [ "$(tail -1 "$work/states.txt")" = "$state" ] || echo "$state" >>"$work/states.txt"
    [ "$state" = "В работе" ] && grep -qx "Догоняет" "$work/states.txt" && break
    sleep 0.05
done
grep -qx "Догоняет" "$work/states.txt" || fail "the real rig never showed Догоняет: $(tr '\n' ' ' <"$work/states.txt")"
[ "$(tail -1 "$work/states.txt")" = "В работе" ] || fail "the real rig did not return to В работе: $(tr '\n' ' ' <"$work/states.txt")"
sleep 3

# The detail: the stretch the backlog filled has no empty column; the time the node was dead is still a gap.
detail=$(grep -P '^detail\tedge1/depth\t' "$dump")
echo "detail: $detail"
python3 - "$detail" "$outage_from" "$outage_to" "$killed_at" "$restarted_at" <<'PY' || fail "the detail's strip is wrong (above)"
import sys
detail, outage_from, outage_to, killed, restarted = sys.argv[1], *map(int, sys.argv[2:])
fields = dict(f.split("=", 1) for f in detail.split("\t")[2].split(" "))
gaps = [tuple(map(int, g.split("-"))) for g in fields["empty"].split(",") if g]
# A column is several seconds wide: a second's margin at each end of the outage.
inside = [g for g in gaps if g[0] < outage_to - 1000 and g[1] > outage_from + 1000]
if inside:
    sys.exit(f"empty columns where the backlog filled the outage ({outage_from}-{outage_to}): {inside}")
if not any(g[0] < restarted and g[1] > killed for g in gaps):
    sys.exit(f"no gap while the node was dead ({killed}-{restarted}): {gaps}")
print(f"detail strip: {fields['columns']} columns, gaps {gaps}, none in the outage {outage_from}-{outage_to}")
PY
shot "$detail_window" fleet_view_detail_1x
shot "$window" fleet_view_after_outage_1x

# The same at twice the scale, beside the first.
QT_SCALE_FACTOR=2 "$view" --dump "$work/view2.txt" --dump-every-ms 250 >"$work/view2.log" 2>&1 &
view2_pid=$!
pids+=($view2_pid)
wait_for 20 bash -c "head -1 '$work/view2.txt' | grep -q ' rows=51 '" || fail "the 2x view did not show 51 rows"
sleep 2
window2=$(xdotool search --all --onlyvisible --pid "$view2_pid" --class borevane_fleet | head -1)
shot "$window2" fleet_view_2x
read -r w2 h2 <<<"$(xdotool getwindowgeometry "$window2" | awk '/Geometry/ {split($2, g, "x"); print g[1], g[2]}')"
[ "$w2" -le 2048 ] && [ "$h2" -le 1536 ] || fail "the 2x window (${w2}x$h2) does not fit 2048x1536"
xdotool windowfocus --sync "$window2"
xdotool key ctrl+Home Return
wait_for 10 xdotool search --all --onlyvisible --pid "$view2_pid" --name "edge1/depth" || fail "no 2x detail"
sleep 1
shot "$(xdotool search --all --onlyvisible --pid "$view2_pid" --name "edge1/depth" | head -1)" fleet_view_detail_2x

end_program "$view_pid" "the fleet view"
cp "$work/view.log" "$artefacts/fleet_view.log"
echo "PASS: screenshots in $artefacts: fleet_view_{1x,offline_1x,broker_lost_1x,after_outage_1x,detail_1x,2x,detail_2x}.png"
