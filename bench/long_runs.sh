#!/usr/bin/env bash
# Runs of an hour, not part of the test suite; each prints its figures.
#   soak: the tray program under Xvfb with trayer as its notification area, against a station whose name has
#         100 addresses: first an outage until the log holds its 10,000 lines, then a station that answers,
#         closes (now and then halfway through an answer), hangs halfway, resets right after accepting and
#         refuses, in a mix chosen by SEED: crashes, stale or partial values in Borevane.bin, answer-to-file
#         latency, resident size and its slope after the first cycle, threads, log lines.
#   silent-name-server: the station's name asked of a name server that never answers (glibc's longest wait,
#         5 tries of 30 s): the highest number of live threads and the resident size over the run, then how
#         long until values flow once the name resolves.
# Both run in private network and mount namespaces (port 8001, /etc/hosts and /etc/resolv.conf are theirs).
#
# usage: bench/long_runs.sh soak|silent-name-server BUILD_DIR [SECONDS=3600] [SEED=1]
set -euo pipefail

mode=$1 build=$(realpath "$2") seconds=${3:-3600} seed=${4:-1}
driver=$build/bench/bench_long_runs program=$build/app/Borevane

if [ -n "${BV_LONG_RUN_INSIDE:-}" ]; then
    dir=$5
    ip link set lo up
    mkdir -p "$dir/etc"
    printf '127.0.0.1 localhost\n' >"$dir/etc/hosts"
    printf 'nameserver 127.0.0.1\noptions timeout:30 attempts:5\n' >"$dir/etc/resolv.conf"
    mount --bind "$dir/etc/hosts" /etc/hosts
    mount --bind "$dir/etc/resolv.conf" /etc/resolv.conf
    ulimit -n 65536 2>/dev/null || true # the station keeps every connection of the hour
    export BV_HOSTILE_IN_NAMESPACES=1
    if [ "$mode" = silent-name-server ]; then
        exec "$driver" --program "$program" --work "$dir" --silent-name-server "$seconds"
    fi
    pids=()
    trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
    exec 5>"$dir/display"
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$dir/display")"
    trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
        --transparent false --SetDockType true >"$dir/trayer.log" 2>&1 &
    pids+=($!)
    sleep 2
    "$driver" --program "$program" --work "$dir" --soak "$seconds" --seed "$seed" --display "$DISPLAY"
    exit
fi

case $mode in soak | silent-name-server) ;; *)
    echo "usage: $0 soak|silent-name-server BUILD_DIR [SECONDS] [SEED]" >&2
    exit 2
    ;;
esac
work=$(mktemp -d "/tmp/bv-$mode.XXXXXX")
echo "work directory (program.log, Borevane.bin): $work"
BV_LONG_RUN_INSIDE=1 unshare -nm --propagation private bash "$0" "$mode" "$build" "$seconds" "$seed" "$work"
