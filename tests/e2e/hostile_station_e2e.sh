#!/usr/bin/env bash
# The tray program against a scripted station that misbehaves, one fault kind per case. Every case runs in
# private network and mount namespaces of its own (so port 8001, the loopback addresses, /etc/hosts and
# /etc/resolv.conf are the case's), several cases at a time, each with the program copied into a fresh
# directory, Qt's offscreen platform and a private home.
#
# usage: hostile_station_e2e.sh DRIVER PROGRAM hostile_station|exit_after_close
# BV_E2E_JOBS (default 6): cases at a time.  BV_E2E_CASES: only these cases (names as --list gives them).
set -euo pipefail

driver=$1 program=$2 suite=$3
jobs=${BV_E2E_JOBS:-6}

. "$(dirname "$0")/e2e_lib.sh"

# Inside one case's namespaces: the network the cases expect, then the case.
# lo: 127.0.0.1, the station. bvd0: 10.77.0.1/24 on a link whose far end drops everything, and a fixed
# neighbour entry for 10.77.0.2, so an attempt there sends SYNs that nobody answers (no ARP failure ends it).
# /etc/hosts and /etc/resolv.conf: the case's copies; the name server is the case's stub on 127.0.0.1:53.
if [ -n "${BV_HOSTILE_IN_NAMESPACES:-}" ]; then
    dir=$4
    shift 4
    ip link set lo up
    ip link add bvd0 type veth peer name bvd1
    ip link set bvd0 up
    ip link set bvd1 up
    ip addr add 10.77.0.1/24 dev bvd0
    ip neigh replace 10.77.0.2 lladdr 02:00:00:00:77:02 dev bvd0 nud permanent
    mkdir -p "$dir/etc"
    printf '127.0.0.1 localhost\n' >"$dir/etc/hosts"
    # One try of 30 s: a look-up the stub does not answer hangs for half a minute.
    printf 'nameserver 127.0.0.1\noptions timeout:30 attempts:1\n' >"$dir/etc/resolv.conf"
    mount --bind "$dir/etc/hosts" /etc/hosts
    mount --bind "$dir/etc/resolv.conf" /etc/resolv.conf
    exec "$driver" --program "$program" --work "$dir" "$@"
fi

need unshare ip mount
# Private propagation: the bind mounts over /etc stay inside the case's mount namespace.
isolate=
for candidate in "unshare -nm --propagation private" "unshare -rnm --propagation private"; do
    if $candidate true 2>/dev/null; then
        isolate=$candidate
        break
    fi
done
[ -n "$isolate" ] || skip "no private network and mount namespaces can be had here"

work=$(mktemp -d /tmp/bv-hostile.XXXXXX)
trap 'rm -rf "$work"' EXIT

case $suite in
hostile_station)
    runs=()
    for name in ${BV_E2E_CASES:-$("$driver" --list)}; do
        runs+=("$name|--case $name")
    done
    ;;
exit_after_close)
    runs=()
    for delay in 0 10 50 100 200; do
        runs+=("exit-${delay}ms|--exit-after-close $delay --rounds 20")
    done
    ;;
*)
    echo "unknown suite $suite" >&2
    exit 2
    ;;
esac

started=$(date +%s)
running=0
for run in "${runs[@]}"; do
    name=${run%%|*}
    args=${run#*|}
    mkdir -p "$work/$name"
    # shellcheck disable=SC2086 # the arguments are words
    (BV_HOSTILE_IN_NAMESPACES=1 $isolate bash "$0" "$driver" "$program" "$suite" "$work/$name" $args \
        >"$work/$name.out" 2>&1; echo $? >"$work/$name.rc") &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait || true

failed=0
for run in "${runs[@]}"; do
    name=${run%%|*}
    grep '^CASE\|^    FAIL' "$work/$name.out" || echo "CASE $name FAIL  (no verdict)"
    if [ "$(cat "$work/$name.rc" 2>/dev/null)" != 0 ]; then
        failed=$((failed + 1))
        grep -v '^CASE\|^    FAIL' "$work/$name.out" | tail -5 | sed 's/^/    | /' || true
        if [ -s "$work/$name/program.log" ]; then
            tail -5 "$work/$name/program.log" | sed 's/^/    program: /'
        fi
    fi
done
echo "${#runs[@]} cases, $failed failed, $(($(date +%s) - started)) s"
[ "$failed" = 0 ]
