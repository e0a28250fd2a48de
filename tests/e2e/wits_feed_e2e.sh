#!/usr/bin/env bash
# The WITS feed beside the running depth module: the station simulator on the fixed port 8001, the module
# copied into a fresh directory, the bridge finding Borevane.bin through the install location, with a
# settings file that scales two items and switches one off, in a German locale. Two TCP clients parse every
# frame; a third never reads; a pseudo-terminal pair (socat) stands for the serial line. The module is
# stopped (the file goes stale), its file removed, and it goes on again. Checks: the readers lose nothing,
# one frame a second, values those of the file, nothing while stale or missing, frames again after, the
# serial line sees the same frames, the client that never reads is dropped.
#
# usage: wits_feed_e2e.sh PROGRAM SIMULATOR READER BRIDGE ARTEFACT_DIR (the bridge's log is kept there)
set -euo pipefail

program=$1 simulator=$2 reader=$3 bridge=$4 artefacts=$5
clients="$(dirname "${BASH_SOURCE[0]}")/wits_clients.py"

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
need socat python3
enter_private_network "" "$@"
start_program_dir "$program"

# A locale with a decimal comma, made for this run: the frames must not follow it.
mkdir -p "$work/locale"
if localedef -i de_DE -f UTF-8 "$work/locale/de_DE.UTF-8" >/dev/null 2>&1; then
    export LOCPATH="$work/locale"
fi
printf '; the station gives tonnes-force and atmospheres\n[0114]\nfactor = 0.980665\n[0121]\nfactor = 101.325\n[0112]\nenabled = no\n' >"$work/wits.ini"
factors='{"0114": 0.980665, "0121": 101.325}'

start_station "$work/station.log"
QT_QPA_PLATFORM=offscreen "$work/bin/Borevane" >"$work/program.log" 2>&1 &
module=$!
pids+=($module)
wait_for 15 test -s "$work/bin/Borevane.bin" || fail "the module wrote no Borevane.bin"
"$reader" --follow --interval-ms 50 >"$work/file.log" 2>&1 &
pids+=($!)

socat pty,raw,echo=0,link="$work/tty.bridge" pty,raw,echo=0,link="$work/tty.client" 2>"$work/socat.log" &
pids+=($!)
wait_for 5 test -e "$work/tty.client" -a -e "$work/tty.bridge" || fail "socat made no pseudo-terminals"
python3 "$clients" serial "$work/tty.client" "$work/serial.json" &
pids+=($!)

LC_ALL=de_DE.UTF-8 "$bridge" --settings "$work/wits.ini" --serial "$work/tty.bridge" --baud 19200 \
    --client-queue 1024 2>"$work/bridge.log" &
bridge_pid=$!
pids+=($bridge_pid)
wait_for 5 grep -q "listening on 127.0.0.1:5010" "$work/bridge.log" || fail "the bridge did not start: $(cat "$work/bridge.log")"
python3 "$clients" lazy 127.0.0.1 5010 "$work/go" "$work/lazy.txt" &
pids+=($!)
# A one-way logger started with its input closed: the end of its input is not its leaving.
socat -t 10 STDIO TCP:127.0.0.1:5010 </dev/null >"$work/one_way.txt" 2>"$work/one_way.log" &
pids+=($!)
python3 "$clients" read 127.0.0.1 5010 "$work/a.json" &
reader_a=$!
python3 "$clients" read 127.0.0.1 5010 "$work/b.json" &
reader_b=$!
pids+=($reader_a $reader_b)
frames() { [ -f "$1" ] && wc -l <"$1" || echo 0; }
has_frames() { [ "$(frames "$1")" -ge "$2" ]; }
wait_for 15 has_frames "$work/a.json" 8 || fail "the first reader got $(frames "$work/a.json") frames"
one_way=$(grep -c '^&&' "$work/one_way.txt" || true)
[ "$one_way" -ge 5 ] || fail "the client that closed its input got $one_way frames"

# The module stops: the file goes stale; then it is removed; then the module goes on.
t_stop=$(date +%s.%N)
kill -STOP "$module"
wait_for 9 grep -q "no frames: stale" "$work/bridge.log" || fail "the bridge never called the file stale"
rm -f "$work/bin/Borevane.bin"
wait_for 4 grep -q "no frames: missing" "$work/bridge.log" || fail "the bridge never called the file missing"
t_cont=$(date +%s.%N)
kill -CONT "$module"
before=$(frames "$work/a.json")
wait_for 10 has_frames "$work/a.json" $((before + 4)) || fail "no frames after the module went on"

wait_for 60 grep -q "dropped: it stopped reading" "$work/bridge.log" || fail "the client that never reads was not dropped"
touch "$work/go"
wait_for 8 test -s "$work/lazy.txt" || fail "the lazy client said nothing"
[ "$(cat "$work/lazy.txt")" = closed ] || fail "the lazy client's connection is still open"
kill -TERM "$bridge_pid"
wait "$bridge_pid" || fail "the bridge ended badly after SIGTERM"
wait "$reader_a" "$reader_b" || fail "a reader met a malformed frame: $(tail -1 "$work/a.json" "$work/b.json")"
grep "stopped:" "$work/bridge.log"
# The log's own numbers follow the locale: proof that the frames' points were written under a decimal comma.
[ -z "${LOCPATH:-}" ] || grep -q "[0-9],[0-9] s ago" "$work/bridge.log" || fail "the German locale was not in effect"
grep -Eq "stale [1-9].* missing [1-9]" "$work/bridge.log" || fail "the seconds without frames were not counted"

python3 "$clients" check "$work/a.json" "$work/b.json" "$work/serial.json" "$work/file.log" "$factors" \
    "$t_stop" "$t_cont" || fail "the frames received are wrong"
cp "$work/bridge.log" "$artefacts/wits_bridge.log"
echo "PASS: the bridge's log is $artefacts/wits_bridge.log"
