#!/usr/bin/env bash
# The shore side at a glance: a private mosquitto on a free loopback port, the fleet simulator with 20 rigs
# (each losing its link now and then, so every state shows up), and the fleet view on them. Ctrl+C, or closing
# the view, ends all three. BV_FLEET_DEMO_NODES sets the number of rigs.
source "$(dirname "$0")/setup.sh"
bv_install_packages
bv_build default borevane_fleet_simulator borevane_fleet
cd "$BV_ROOT"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "fleet_demo: the fleet view is a window and there is no display" >&2
    exit 1
fi
nodes=${BV_FLEET_DEMO_NODES:-20}
work=$(mktemp -d /tmp/bv-fleet-demo.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf 'listener %s 127.0.0.1\nallow_anonymous true\n' "$port" >"$work/mosquitto.conf"
echo "== starting mosquitto on 127.0.0.1:$port (log: $work/broker.log)"
mosquitto -c "$work/mosquitto.conf" >"$work/broker.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done
(exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { cat "$work/broker.log" >&2; exit 1; }

echo "== starting the fleet simulator: $nodes rigs, each cut off for 20 s every 3 minutes"
build/tools/fleet_simulator/borevane_fleet_simulator --broker "tcp://127.0.0.1:$port" --nodes "$nodes" \
    --outage-every 180 --outage-for 20 &
pids+=($!)

echo "== opening the fleet view (close it or Ctrl+C to stop)"
build/tools/fleet/borevane_fleet --broker "tcp://127.0.0.1:$port" --group Borevane
