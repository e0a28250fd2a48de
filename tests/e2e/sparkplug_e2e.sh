#!/usr/bin/env bash
# The Sparkplug edge node in the whole chain, in a private network namespace: station simulator → depth module
# (offscreen) → Borevane.bin → borevane_sparkplug → a real mosquitto → a subscriber that decodes every payload
# (sparkplug_listen). Births and data; kill -9 → the broker's NDEATH with the birth's bdSeq; the broker stopped
# for BV_E2E_OUTAGE_SECONDS (60) while readings go on → every reading arrives afterwards, in order, historical,
# live data back within the back-off cap, with the node killed once during the backfill; the module stopped
# → no value as live; TLS with a CA made here, and a wrong CA refused with nothing sent.
#
# usage: sparkplug_e2e.sh PROGRAM SIMULATOR EDGE_NODE LISTENER ARTEFACT_DIR
set -euo pipefail

program=$1 simulator=$2 edge=$3 listen=$4 artefacts=$5
check="$(dirname "${BASH_SOURCE[0]}")/sparkplug_check.py"
outage=${BV_E2E_OUTAGE_SECONDS:-60}

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"
need mosquitto openssl python3
enter_private_network "" "$@"
start_program_dir "$program"
mark() { echo "$1 $(date +%s%3N)" >>"$work/phases"; }
count() { grep -c "$1" "$work/messages.jsonl" 2>/dev/null || true; }
seen() { [ "$(count "$1")" -ge "${2:-1}" ]; }

# A test CA, the broker's certificate for localhost from it, and a second CA that signed nothing here.
(
    cd "$work"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=test-ca -keyout ca.key -out ca.pem
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=other-ca -keyout other.key -out other.pem
    openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout broker.key -out broker.csr
    printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\n' >san.ext
    openssl x509 -req -in broker.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile san.ext -out broker.pem
) >"$work/openssl.log" 2>&1 || fail "openssl could not make the test certificates"
cat >"$work/mosquitto.conf" <<CONF
persistence true
persistence_location $work/
queue_qos0_messages true
user root
allow_anonymous true
listener 1883 127.0.0.1
listener 8883 127.0.0.1
cafile $work/ca.pem
certfile $work/broker.pem
keyfile $work/broker.key
CONF
start_edge() { # NODE [OPTIONS...]
    local node=$1
    shift
    "$edge" --node "$node" --path "$work/bin/Borevane.bin" --queue "$work/$node.db" --settings "$work/edge.ini" \
        "$@" 2>>"$work/edge-$node.log" &
    edge_pid=$!
    pids+=($edge_pid)
}
# A slow backlog, so that the node can be killed in the middle of sending it.
printf '[queue]\nbacklog_rate = 5\nbatch = 4\n[Hook Load]\nunit = kdaN\n' >"$work/edge.ini"

start_station "$work/station.log"
QT_QPA_PLATFORM=offscreen "$work/bin/Borevane" >"$work/program.log" 2>&1 &
module=$!
pids+=($module)
wait_for 15 test -s "$work/bin/Borevane.bin" || fail "the module wrote no Borevane.bin"
start_broker
"$listen" 127.0.0.1 1883 >"$work/messages.jsonl" 2>"$work/listen.log" &
pids+=($!)
wait_for 10 grep -q listening "$work/listen.log" || fail "the subscriber did not connect"

# Births and data.
mark start
start_edge rig7
wait_for 15 seen "DBIRTH/rig7/depth" || fail "no DBIRTH: $(cat "$work/edge-rig7.log")"
wait_for 15 seen "DDATA/rig7/depth" 5 || fail "fewer than 5 DDATA"

# kill -9: the broker publishes the will, with the bdSeq of the births.
kill -9 "$edge_pid"
wait_for 60 seen "NDEATH/rig7" || fail "no NDEATH after kill -9"
mark killed
start_edge rig7
wait_for 15 seen "NBIRTH/rig7" 2 || fail "no births after the restart"

# The link goes down for the outage while the module writes on.
sleep 3
mark outage_start
kill -TERM "$broker_pid"
wait "$broker_pid" || true
sleep "$outage"
mark outage_end
start_broker
wait_for 40 seen "NBIRTH/rig7" 3 || fail "no births after the broker came back: $(tail -5 "$work/edge-rig7.log")"
mark broker_back
# Killed during the backfill, restarted: nothing lost either.
sleep 4
kill -9 "$edge_pid"
mark killed_in_backfill
start_edge rig7
wait_for $((outage / 5 + 40)) grep -q "queued readings sent" "$work/edge-rig7.log" || fail "the backlog was not sent"
sleep 2
mark backlog_done

# The module stops: the file goes stale; no value may be sent as live until it goes on.
kill -STOP "$module"
mark module_stopped
wait_for 12 grep -q '"v":"stale"' "$work/messages.jsonl" || fail "Source never said stale"
sleep 3
kill -CONT "$module"
mark module_resumed
live_again() { tail -n 30 "$work/messages.jsonl" | grep -q '"v":"live"'; }
wait_for 10 live_again || fail "Source never said live again"

# TLS: the right CA gives births; a wrong CA gives a clear error and nothing at all on the broker.
cp "$work/edge.ini" "$work/edge-good.ini"
printf '[mqtt]\nca_file = %s\n' "$work/ca.pem" >>"$work/edge.ini"
start_edge tls --broker ssl://localhost:8883
wait_for 15 seen "NBIRTH/tls" || fail "no births over TLS: $(cat "$work/edge-tls.log")"
cp "$work/edge-good.ini" "$work/edge.ini"
printf '[mqtt]\nca_file = %s\n' "$work/other.pem" >>"$work/edge.ini"
start_edge wrongca --broker ssl://localhost:8883
wait_for 15 grep -qi "certificate verify failed" "$work/edge-wrongca.log" || fail "no clear error for a wrong CA: $(cat "$work/edge-wrongca.log")"
sleep 2
! seen "/wrongca" || fail "a node with a wrong CA got messages through"
mark end

cp "$work/messages.jsonl" "$artefacts/sparkplug_messages.jsonl"
cat "$work"/edge-*.log >"$artefacts/sparkplug_edge.log"
python3 "$check" "$work/messages.jsonl" "$work/phases" || fail "the messages broke a rule (above)"
