#!/usr/bin/env bash
# Builds everything, starts the station simulator on localhost:8001 and the depth module,
# and shows Borevane.bin's values: in the values monitor's window beside the module when a display is
# present, else with the console file reader. Without a display the module runs on Qt's offscreen
# platform. Ctrl+C ends all three.
source "$(dirname "$0")/scripts/setup.sh"
bv_install_packages
bv_build
cd "$BV_ROOT"

program="$BV_ROOT/build/app/Borevane"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

if (exec 3<>/dev/tcp/127.0.0.1/8001) 2>/dev/null; then
    echo "== something already listens on localhost:8001; using it as the station"
else
    echo "== starting the station simulator on localhost:8001"
    "$BV_ROOT/build/tools/simulator/station_simulator" --port 8001 &
    pids+=($!)
    sleep 0.5
fi

has_display=1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "== no display: running the depth module on Qt's offscreen platform"
    export QT_QPA_PLATFORM=offscreen
    has_display=
fi
# A module already running for this user (an installed one, say) would only be brought forward by this one,
# and the values shown would be of a file nobody writes. The demo then runs as a user-data set of its own: its
# own runtime directory (the one-instance lock) and configuration (the install location), so the running
# module and whatever reads its install location are left as they are.
for runtime in "${XDG_RUNTIME_DIR:-/run/user/$(id -u)}" "/tmp/runtime-$(id -un)"; do
    running=$(head -n1 "$runtime/Borevane.instance.lock" 2>/dev/null || true)
    if [ -n "$running" ] && kill -0 "$running" 2>/dev/null; then
        data_dir=$(sed -n 's/^Install_Dir=//p' "${XDG_CONFIG_HOME:-$HOME/.config}/Kalvemark/Borevane.conf" 2>/dev/null)
        echo "== a depth module already runs for this user (process $running); its values are in" \
            "${data_dir:-its data directory}Borevane.bin. This demo runs beside it with a user-data set of its own."
        demo_home=$(mktemp -d /tmp/bv-demo.XXXXXX)
        mkdir -m 700 "$demo_home/run"
        export XDG_RUNTIME_DIR="$demo_home/run" XDG_CONFIG_HOME="$demo_home/config"
        break
    fi
done
echo "== starting the depth module: $program"
"$program" &
pids+=($!)

monitor="$BV_ROOT/build/tools/monitor/borevane_monitor"
if [ -n "$has_display" ] && [ -x "$monitor" ]; then
    echo "== opening the values monitor on $BV_ROOT/build/app/Borevane.bin (close it or Ctrl+C to stop)"
    "$monitor" --path "$BV_ROOT/build/app/Borevane.bin"
else
    echo "== following $BV_ROOT/build/app/Borevane.bin (Ctrl+C to stop)"
    "$BV_ROOT/build/tools/reader/borevane_reader" --path "$BV_ROOT/build/app/Borevane.bin" --follow
fi
