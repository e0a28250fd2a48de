#!/usr/bin/env python3
"""Checks what the subscriber decoded in sparkplug_e2e.sh against the rules a Sparkplug host relies on.

usage: sparkplug_check.py MESSAGES.jsonl PHASES
"""
import json
import sys

messages = [json.loads(line) for line in open(sys.argv[1]) if line.strip()]
phases = {}
for line in open(sys.argv[2]):
    name, ms = line.split()
    phases[name] = int(ms)
problems = []


def node(m):
    return m["topic"].split("/")[3]


rig = [m for m in messages if m["topic"].startswith("spBv1.0/") and node(m) == "rig7"]

# seq: NBIRTH 0, then one more per message of the node, wrapping at 256, within each session.
expected = None
for m in rig:
    kind = m["topic"].split("/")[2]
    if kind == "NDEATH":
        expected = None
        continue
    if kind == "NBIRTH":
        if m["seq"] != 0:
            problems.append("NBIRTH with seq %d" % m["seq"])
        expected = 1
        continue
    if expected is not None and m["seq"] != expected:
        problems.append("%s seq %d, expected %d" % (kind, m["seq"], expected))
    expected = (m["seq"] + 1) % 256

# The will: the NDEATH after the first kill carries the bdSeq of the births before it.
births = [m for m in rig if "/NBIRTH/" in m["topic"]]
deaths = [m for m in rig if "/NDEATH/" in m["topic"]]
bd = lambda m: next(x["v"] for x in m["metrics"] if x.get("name") == "bdSeq")
if not deaths or bd(deaths[0]) != bd(births[0]):
    problems.append("the first NDEATH does not carry the first birth's bdSeq")
if len({bd(b) for b in births}) != len(births):
    problems.append("two sessions share a bdSeq: %s" % [bd(b) for b in births])

# Every reading once, at least: the value metrics' timestamps leave no gap of more than 1.6 s (the module
# writes every second) from the start to the end of the backfill, across kills and the outage.
times = sorted({x["ts"] for m in rig if "/DDATA/" in m["topic"] or "/DBIRTH/" in m["topic"]
                for x in m["metrics"] if x["alias"] == 1 and "v" in x})
window = [t for t in times if phases["start"] + 3000 <= t <= phases["module_stopped"] - 1000]
gaps = [(a, b) for a, b in zip(window, window[1:]) if b - a > 1600]
if gaps:
    problems.append("readings missing between %s" % gaps[:5])
outage = [t for t in window if phases["outage_start"] + 1500 < t < phases["outage_end"] - 1500]
if len(outage) < (phases["outage_end"] - phases["outage_start"]) / 1000 - 5:
    problems.append("only %d readings of the outage arrived" % len(outage))

# Exactly once within one session (from an NBIRTH to the next): no reading's time in two messages. Across a
# kill or a lost connection a reading whose receipt was not acknowledged comes again; that is counted, allowed.
def reading_times(m):
    return {x["ts"] for x in m["metrics"] if x["alias"] and ("v" in x or x.get("null"))}


session_seen, repeated_across = {}, 0
all_seen = set()
for m in rig:
    kind = m["topic"].split("/")[2]
    if kind == "NBIRTH":
        session_seen = {}
    if kind not in ("DDATA", "DBIRTH"):
        continue
    for ts in reading_times(m):
        if ts in session_seen:
            problems.append("reading %d sent twice in one session (%s, then %s)" % (ts, session_seen[ts], kind))
        session_seen[ts] = kind
        repeated_across += ts in all_seen
        all_seen.add(ts)

# The outage's readings arrive historical, in order up to the kill in the backfill.
hist = [(m["at_us"] // 1000, x["ts"]) for m in rig if "/DDATA/" in m["topic"] for x in m["metrics"]
        if x.get("hist") and x["alias"] == 1]
first_run = [ts for at, ts in hist if phases["broker_back"] <= at < phases["killed_in_backfill"]]
if first_run != sorted(first_run) or not first_run:
    problems.append("the backlog was not sent oldest first (%d readings)" % len(first_run))
live_in_outage = [x["ts"] for m in rig if "/DDATA/" in m["topic"] for x in m["metrics"]
                  if not x.get("hist") and phases["outage_start"] + 1500 < x["ts"] < phases["outage_end"] - 1500]
if live_in_outage:
    problems.append("%d readings of the outage sent as live" % len(live_in_outage))
live_after = [m["at_us"] // 1000 for m in rig if "/DDATA/" in m["topic"] and m["at_us"] // 1000 > phases["outage_end"]
              and any(not x.get("hist") for x in m["metrics"])]
if not live_after or live_after[0] - phases["outage_end"] > 12000:
    problems.append("live data not back within the back-off cap")

# Never stale as live: between Source "stale" and Source "live", no value metric that is not historical.
stale = False
for m in rig:
    live_metrics = [x for x in m.get("metrics", []) if not x.get("hist")]
    for x in live_metrics:
        if x["alias"] == 8 and "v" in x:
            stale = x["v"] != "live"
    if stale and any(1 <= x["alias"] <= 6 and "v" in x for x in live_metrics):
        problems.append("a value sent as live while the file was not: %s" % m["topic"])

for p in problems:
    print("PROBLEM:", p)
print("%d messages, %d readings seen, %d of the outage, %d historical, %d births, %d deaths, "
      "%d readings sent again in a later session" % (len(messages), len(times), len(outage), len(hist), len(births),
                                                    len(deaths), repeated_across))
sys.exit(1 if problems else 0)
