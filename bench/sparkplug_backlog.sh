#!/usr/bin/env bash
# The edge node's figures, in a private network namespace with a real mosquitto on loopback: a 24-hour backlog
# (86,400 readings, or N) drained while a file rewritten once a second goes on live; bytes on disk per queued
# reading; bytes on the wire per live reading beside the WITS Level 0 frame of the same values; file-to-broker
# latency of live readings (p50, p99); the node's CPU and resident size. Prints figures, asserts nothing.
#
# usage: bench/sparkplug_backlog.sh build/tools/sparkplug/borevane_sparkplug build/tests/tools/sparkplug/sparkplug_listen [N]
set -euo pipefail
edge=$(realpath "$1") listen=$(realpath "$2") n=${3:-86400}
if [ -z "${BV_IN_NETNS:-}" ]; then exec env BV_IN_NETNS=1 unshare -rn bash "$0" "$@"; fi
ip link set lo up
work=$(mktemp -d /tmp/bv-bench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
printf 'persistence false\nuser root\nallow_anonymous true\nlistener 1883 127.0.0.1\n' >"$work/m.conf"
mosquitto -c "$work/m.conf" 2>"$work/broker.log" &
sleep 0.5
"$listen" 127.0.0.1 1883 >"$work/msgs.jsonl" 2>/dev/null &

# The backlog as the node journals it: one row per second of the last day, ending a minute ago.
now=$(date +%s%3N)
sqlite3 "$work/q.db" "PRAGMA journal_mode=WAL;
CREATE TABLE readings (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, source INTEGER NOT NULL, age_ms INTEGER, vals BLOB);
CREATE TABLE node (key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;
WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < $n)
INSERT INTO readings (time, source, age_ms, vals) SELECT $now - 60000 - ($n - i) * 1000, 0, 12 + i % 40,
  randomblob(24) FROM s;" >/dev/null
sqlite3 "$work/q.db" "PRAGMA wal_checkpoint(TRUNCATE);" >/dev/null
bytes=$(stat -c %s "$work/q.db")
echo "queue on disk: $bytes bytes for $n readings = $((bytes / n)) bytes a reading"

# A file rewritten every second (rename over, as the module does) with plausible slowly changing values.
python3 - "$work/Borevane.bin" <<'PY' &
import os, struct, sys, time, math
p = sys.argv[1]; t = 0
while True:
    v = [1523.4 + t * 0.01, 1520.1 + t * 0.01, 83.36 + math.sin(t / 7), 12.5 - (t % 30) * 0.3, 111.98 + math.sin(t / 5), 11.75 + math.sin(t / 11)]
    open(p + ".tmp", "wb").write(struct.pack("<6f", *v)); os.rename(p + ".tmp", p)
    t += 1; time.sleep(1 - time.time() % 1)
PY
sleep 1.5
start=$(date +%s.%N)
"$edge" --node bench --path "$work/Borevane.bin" --queue "$work/q.db" --settings /dev/null 2>"$work/edge.log" &
edge_pid=$!
for _ in $(seq 1 1200); do grep -q "queued readings sent" "$work/edge.log" && break; sleep 0.2; done
end=$(date +%s.%N)
echo "backlog of $n readings drained in $(echo "$end - $start" | bc) s"
sleep 20
read -r ut st rss < <(awk '{print $14, $15}' /proc/$edge_pid/stat | tr '\n' ' '; grep VmRSS /proc/$edge_pid/status | awk '{print $2}')
t0=$(awk '{print $22}' /proc/$edge_pid/stat)
sleep 60
read -r ut2 st2 < <(awk '{print $14, $15}' /proc/$edge_pid/stat)
echo "CPU at 1 Hz after the drain: $(echo "scale=2; ($ut2 + $st2 - $ut - $st) * 100 / 100 / 60" | bc) % of a core; resident $(grep VmRSS /proc/$edge_pid/status | awk '{print $2}') kB"
python3 - "$work/msgs.jsonl" <<'PY'
import json, sys
ms = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
live = [m for m in ms if "/DDATA/" in m["topic"] and m["metrics"] and not m["metrics"][0].get("hist")]
lat = sorted(m["at_us"] / 1000 - m["metrics"][0]["ts"] for m in live)
late = [l for l in lat]
if lat:
    print("live readings: %d; file-to-subscriber latency p50 %.1f ms, p99 %.1f ms, max %.1f ms" % (len(lat), lat[len(lat) // 2], lat[int(len(lat) * 0.99)], lat[-1]))
wire = [m["bytes"] + len(m["topic"]) + 2 + 2 for m in live[-60:]]  # payload + topic + length + fixed header
receipts = [m for m in ms if m["topic"].startswith("borevane/receipt")]
if wire:
    print("bytes on the wire per live reading: %.0f (DDATA) + %.1f (receipt share); WITS Level 0 frame of the same values: 104"
          % (sum(wire) / len(wire), (len(receipts[-6:]) * (len(receipts[-1]["topic"]) + 12 + 4)) / 60 if receipts else 0))
hist = sum(1 for m in ms if "/DDATA/" in m["topic"] for x in m["metrics"] if x.get("hist") and x["alias"] == 1)
print("historical readings received: %d" % hist)
PY
