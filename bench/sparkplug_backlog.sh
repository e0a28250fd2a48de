#!/usr/bin/env bash
# The edge node's figures, in a private network namespace with a real mosquitto on loopback and a file rewritten
# once a second (renamed over, as the module does). The node connects on port 1883, the rig's link; the host that
# listens on shore has a listener of its own, 1884. Prints figures, asserts nothing. Parts, each on a fresh broker:
#   restart  a restart with a week's backlog (604,800 queued readings): time to the births and to the first live
#            reading; bytes on disk per queued reading
#   drain    a 24-hour backlog (86,400, or N) drained on loopback: drain time, live readings' lateness during the
#            drain (max, p99); then at 1 Hz: bytes on the node's connection per live reading (its socket's own
#            counts, both ways) beside the WITS Level 0 frame of the same values, file-to-subscriber latency, CPU
#            and resident size
#   link     the same backlog through a 256 kbit/s link (tc tbf on the node's port): drain time
#   kills    readings delivered against readings taken across a broker outage of BV_BENCH_OUTAGE_MIN minutes (6)
#            with a kill -9 of the node every BV_BENCH_KILL_EVERY_MIN minutes (2), scaled down from a day's
#            outage with a kill every 10 minutes
# The backlog rows are made with sqlite3 in the queue's own schema, ending a minute before the node starts.
#
# usage: bench/sparkplug_backlog.sh build/tools/sparkplug/borevane_sparkplug build/tests/tools/sparkplug/sparkplug_listen [N]
#        BV_BENCH_PARTS="restart drain" bench/sparkplug_backlog.sh ...   (default: all four)
set -euo pipefail
edge=$(realpath "$1") listen=$(realpath "$2") n=${3:-86400}
parts=${BV_BENCH_PARTS-restart drain link kills}
week=${BV_BENCH_WEEK:-604800}
outage_min=${BV_BENCH_OUTAGE_MIN:-6} kill_every_min=${BV_BENCH_KILL_EVERY_MIN:-2}
if [ -z "${BV_IN_NETNS:-}" ]; then exec env BV_IN_NETNS=1 unshare -rn bash "$0" "$@"; fi
for tool in mosquitto sqlite3 bc tc python3; do
    command -v $tool >/dev/null || { echo "needs $tool (scripts/setup.sh installs it)" >&2; exit 1; }
done
ip link set lo up
work=$(mktemp -d /tmp/bv-bench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null; [ -n "${BV_BENCH_KEEP:-}" ] || rm -rf "$work"' EXIT
now_ms() { date +%s%3N; }
seconds_since() { echo "scale=2; ($(now_ms) - $1) / 1000" | bc; }

start_broker() {
    printf 'persistence false\nuser root\nallow_anonymous true\nlistener 1883 127.0.0.1\nlistener 1884 127.0.0.1\n' \
        >"$work/m.conf"
    mosquitto -c "$work/m.conf" 2>>"$work/broker.log" &
    broker_pid=$!
    for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/1883) 2>/dev/null && return; sleep 0.1; done
}
start_listener() { # FILE
    "$listen" 127.0.0.1 1884 >"$1" 2>"$work/listen.log" &
    listen_pid=$!
    for _ in $(seq 50); do grep -q listening "$work/listen.log" 2>/dev/null && return; sleep 0.1; done
}
# Rewrites Borevane.bin every second with slowly changing values, each rewrite's modification time (ms) logged.
start_writer() {
    python3 - "$work/Borevane.bin" "$work/taken" <<'PY' &
import os, struct, sys, time, math
p, log = sys.argv[1], open(sys.argv[2], "a")
t = 0
while True:
    v = [1523.4 + t * 0.01, 1520.1 + t * 0.01, 83.36 + math.sin(t / 7), 12.5 - (t % 30) * 0.3,
         111.98 + math.sin(t / 5), 11.75 + math.sin(t / 11)]
    open(p + ".tmp", "wb").write(struct.pack("<6f", *v))
    os.rename(p + ".tmp", p)
    log.write("%d\n" % (os.stat(p).st_mtime_ns // 1000000)); log.flush()
    t += 1
    time.sleep(1 - time.time() % 1)
PY
    writer_pid=$!
    sleep 1.5
}
# A queue of COUNT readings, one a second, the newest a minute old; prints the newest's time.
make_queue() { # FILE COUNT
    local end=$(($(now_ms) - 60000))
    rm -f "$1" "$1-wal" "$1-shm"
    sqlite3 "$1" "PRAGMA journal_mode=WAL;
CREATE TABLE readings (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, source INTEGER NOT NULL, age_ms INTEGER, vals BLOB);
CREATE TABLE node (key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;
WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < $2)
INSERT INTO readings (time, source, age_ms, vals) SELECT $end - ($2 - i) * 1000, 0, 12 + i % 40, randomblob(24) FROM s;
PRAGMA wal_checkpoint(TRUNCATE);" >/dev/null
    echo "$end"
}
queued_up_to() { sqlite3 "$1" "SELECT count(*) FROM readings WHERE time <= $2" 2>/dev/null || echo "?"; }
start_edge() { # QUEUE LOG
    "$edge" --node bench --path "$work/Borevane.bin" --queue "$1" --settings /dev/null 2>>"$2" &
    edge_pid=$!
}
# What the node's connection to the broker carried so far, both ways (bytes, the socket's own counts).
node_bytes() {
    ss -tinH state established '( dport = :1883 )' |
        awk '{ for (i = 1; i <= NF; i++) if ($i ~ /^bytes_(sent|received):/) { split($i, f, ":"); n += f[2] } }
             END { print n + 0 }'
}
stop_all() {
    kill $(jobs -p) 2>/dev/null || true
    wait 2>/dev/null || true
}
# Waits until the queue holds none of the backlog (acknowledged by the broker), at most LIMIT s; prints the time.
wait_drained() { # QUEUE NEWEST_MS START_MS LIMIT_S
    local left
    for _ in $(seq $(($4 * 5))); do
        left=$(queued_up_to "$1" "$2")
        [ "$left" = 0 ] && { seconds_since "$3"; return; }
        sleep 0.2
    done
    echo "not drained after $4 s ($left of the backlog left)"
}

part_restart() {
    echo "== restart with a week's backlog ($week queued readings)"
    local newest
    newest=$(make_queue "$work/week.db" "$week")
    echo "queue on disk: $(($(stat -c %s "$work/week.db") / week)) bytes a reading ($(stat -c %s "$work/week.db") bytes)"
    start_broker
    start_listener "$work/restart.jsonl"
    start_writer
    local start
    start=$(now_ms)
    start_edge "$work/week.db" "$work/restart.log"
    sleep 8
    python3 - "$work/restart.jsonl" "$start" <<'PY'
import json, sys
ms = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
start = int(sys.argv[2])
def first(pred):
    for m in ms:
        if pred(m):
            return "%.2f s" % ((m["at_us"] / 1000 - start) / 1000)
    return "none within 8 s"
print("first DBIRTH (carries the current reading) after the start: " + first(lambda m: "/DBIRTH/" in m["topic"]))
print("first live DDATA after the start: " + first(lambda m: "/DDATA/" in m["topic"] and m["metrics"]
                                                    and not m["metrics"][0].get("hist")) + "  (goal: within 2 s)")
PY
    stop_all
}

part_drain() {
    echo "== a 24-hour backlog ($n readings) drained on loopback while the file goes on live"
    local newest start drained
    newest=$(make_queue "$work/day.db" "$n")
    start_broker
    start_listener "$work/drain.jsonl"
    start_writer
    start=$(now_ms)
    start_edge "$work/day.db" "$work/drain.log"
    drained=$(wait_drained "$work/day.db" "$newest" "$start" 600)
    local end
    end=$(now_ms)
    echo "drained (acknowledged) in $drained s  (goal: 60 s)"
    sleep 20
    read -r ut st < <(awk '{print $14, $15}' /proc/$edge_pid/stat)
    local wire_from wire_to bytes_from bytes_to
    wire_from=$(now_ms) bytes_from=$(node_bytes)
    sleep 60
    wire_to=$(now_ms) bytes_to=$(node_bytes)
    read -r ut2 st2 < <(awk '{print $14, $15}' /proc/$edge_pid/stat)
    echo "CPU at 1 Hz after the drain: $(echo "scale=2; ($ut2 + $st2 - $ut - $st) / 60" | bc) % of a core (goal 0.5); resident $(awk '/VmRSS/ {print $2}' /proc/$edge_pid/status) kB (goal 30 MB)"
    python3 - "$work/drain.jsonl" "$start" "$end" "$wire_from" "$wire_to" "$((bytes_to - bytes_from))" <<'PY'
import json, sys
ms = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
start, end, wire_from, wire_to, wire_bytes = map(int, sys.argv[2:7])
live = [m for m in ms if "/DDATA/" in m["topic"] and m["metrics"] and not m["metrics"][0].get("hist")]
def late(m):
    return m["at_us"] / 1000 - m["metrics"][0]["ts"]
during = sorted(late(m) for m in live if start <= m["at_us"] / 1000 <= end)
after = sorted(late(m) for m in live if m["at_us"] / 1000 > end + 5000)
if during:
    print("live readings during the drain: %d; lateness max %.0f ms, p99 %.0f ms  (goal: at most one interval, 1000 ms)"
          % (len(during), during[-1], during[int(len(during) * 0.99)]))
if after:
    print("file-to-subscriber latency at 1 Hz after the drain: p50 %.1f ms, p99 %.1f ms  (goal p99 50 ms)"
          % (after[len(after) // 2], after[int(len(after) * 0.99)]))
# On the wire per live reading: everything the node's connection carried both ways over that minute (data,
# receipts and their acknowledgements, keep-alives), over the live readings the listener saw taken in it.
readings = [m for m in live if wire_from <= m["metrics"][0]["ts"] < wire_to]
if readings:
    print("bytes on the node's connection per live reading: %.1f (%d bytes, %d readings); WITS Level 0 frame of the "
          "same six values: 104 (goal: no more)" % (wire_bytes / len(readings), wire_bytes, len(readings)))
PY
    stop_all
}

part_link() {
    echo "== the same backlog ($n readings) through a 256 kbit/s link"
    local newest start
    newest=$(make_queue "$work/link.db" "$n")
    # A token bucket drops any packet bigger than its burst: loopback's 64 KiB frames must become Ethernet's.
    ip link set lo mtu 1500
    # Only the node's connection (port 1883, both ways) goes through the bucket; the host's (1884) is on shore.
    tc qdisc add dev lo root handle 1: htb default 20
    tc class add dev lo parent 1: classid 1:10 htb rate 256kbit ceil 256kbit
    tc class add dev lo parent 1: classid 1:20 htb rate 1gbit quantum 60000
    tc qdisc add dev lo parent 1:10 handle 10: tbf rate 256kbit burst 32kbit latency 400ms
    tc filter add dev lo parent 1: protocol ip prio 1 u32 match ip dport 1883 0xffff flowid 1:10
    tc filter add dev lo parent 1: protocol ip prio 1 u32 match ip sport 1883 0xffff flowid 1:10
    start_broker
    start_listener "$work/link.jsonl"
    start_writer
    start=$(now_ms)
    start_edge "$work/link.db" "$work/link.log"
    echo "drained (acknowledged) in $(wait_drained "$work/link.db" "$newest" "$start" 1500) s  (goal: 600 s)"
    sleep 5
    python3 - "$work/link.jsonl" "$newest" "$n" <<'PY'
import json, sys
newest, n = int(sys.argv[2]), int(sys.argv[3])
ms = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
# A reading arrived when any of its metrics did: the queue's values are random bytes, and a value that repeats
# (two NaNs in a row) is rightly not sent again.
got = {x["ts"] for m in ms if "/DDATA/" in m["topic"] for x in m["metrics"] if x["ts"] <= newest}
print("the host behind the link received %d of the %d queued readings" % (len(got), n))
PY
    tc qdisc del dev lo root
    ip link set lo mtu 65536
    stop_all
}

part_kills() {
    echo "== readings across a broker outage of $outage_min min with a kill -9 of the node every $kill_every_min min"
    rm -f "$work/taken" "$work/kills.db"* "$work/Borevane.bin"
    local start
    start=$(now_ms)
    # The node first, so that every reading taken is one it could see.
    start_edge "$work/kills.db" "$work/kills.log"
    start_writer
    local kills=0 kill_at=$((kill_every_min * 60)) elapsed=0
    while [ "$elapsed" -lt $((outage_min * 60)) ]; do
        sleep 5
        elapsed=$(((($(now_ms) - start)) / 1000))
        if [ "$elapsed" -ge "$kill_at" ] && [ "$elapsed" -lt $((outage_min * 60)) ]; then
            kill -9 "$edge_pid"
            wait "$edge_pid" 2>/dev/null || true
            start_edge "$work/kills.db" "$work/kills.log"
            kills=$((kills + 1))
            kill_at=$((kill_at + kill_every_min * 60))
        fi
    done
    # Held while the listener subscribes: a batch the broker takes before anyone listens reaches nobody.
    kill -STOP "$edge_pid"
    start_broker
    start_listener "$work/kills.jsonl"
    sleep 1
    kill -CONT "$edge_pid"
    # A minute of live readings with the broker back, then the file stops and the queue must empty.
    sleep 60
    kill "$writer_pid"
    wait "$writer_pid" 2>/dev/null || true
    local last
    last=$(tail -1 "$work/taken")
    echo "queue emptied $(wait_drained "$work/kills.db" "$last" "$(now_ms)" 300) s after the last reading"
    sleep 3
    python3 - "$work/kills.jsonl" "$work/taken" "$kills" <<'PY'
import json, sys
ms = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
taken = {int(l) for l in open(sys.argv[2]) if l.strip()}
got = [x["ts"] for m in ms if "/DDATA/" in m["topic"] or "/DBIRTH/" in m["topic"] for x in m["metrics"]
       if x["alias"] == 1 and "v" in x]
delivered = taken & set(got)
print("kills: %s; readings taken %d, delivered %d, lost %d, delivered more than once %d (allowed across a kill)"
      % (sys.argv[3], len(taken), len(delivered), len(taken - delivered), len(got) - len(set(got))))
lost = sorted(taken - delivered)
if lost:
    first = min(taken)
    runs, begin = [], lost[0]
    for a, b in zip(lost, lost[1:] + [None]):
        if b is None or b - a > 1500:
            runs.append((begin, a))
            begin = b
    print("lost, in seconds after the first reading: " +
          ", ".join("%.0f-%.0f" % ((a - first) / 1000, (b - first) / 1000) for a, b in runs[:20]))
PY
    stop_all
}

for part in $parts; do "part_$part"; done
