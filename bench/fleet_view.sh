#!/usr/bin/env bash
# The fleet view's figures, in a private network namespace with a real mosquitto on loopback and the views on
# Xvfb: one view of BV_BENCH_RIGS (500) simulated rigs and one of BV_BENCH_SMALL_RIGS (50), side by side in the same
# run, every rig publishing once a second. For each view: its share of one core (after a minute's warm-up, and per
# minute), its resident size every minute, and the age of the newest reading on screen (the dump's time less the
# newest reading time among the rows it painted last; sampled four times a second; p50, p95, max). Prints figures,
# asserts nothing. The run lasts BV_BENCH_MINUTES (5; 60 for the hour).
#
# usage: bench/fleet_view.sh build/tools/fleet/borevane_fleet build/tools/fleet_simulator/borevane_fleet_simulator
set -euo pipefail
view=$(realpath "$1") fleet_simulator=$(realpath "$2")
minutes=${BV_BENCH_MINUTES:-5} big=${BV_BENCH_RIGS:-500} small=${BV_BENCH_SMALL_RIGS:-50}
artefacts=$(mktemp -d /tmp/bv-bench-fleet.XXXXXX) # where e2e_lib wants one; nothing is kept

source "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/e2e_lib.sh"
need mosquitto Xvfb python3
enter_private_network "" "$@"
start_work_dir
start_xvfb 2048x1536x24
printf 'user root\nallow_anonymous true\nlistener 1883 127.0.0.1\nmax_queued_messages 100000\n' >"$work/mosquitto.conf"
start_broker

ticks=$(getconf CLK_TCK)
cpu_ticks() { # PID...: their user and system ticks together
    local pid sum=0
    for pid; do sum=$((sum + $(awk '{print $14 + $15}' "/proc/$pid/stat"))); done
    echo $sum
}
rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
now_ms() { date +%s%3N; }

# libmosquitto's loop select()s its sockets, so one simulator process keeps to 250 rigs (3 descriptors each).
declare -A view_pid sim_pids
for group in big small; do
    n=${!group}
    for ((first = 0; first < n; first += 250)); do
        count=$((n - first < 250 ? n - first : 250))
        "$fleet_simulator" --group "$group" --nodes "$count" --prefix "rig$((first / 250))-" \
            >>"$work/sim-$group.log" 2>&1 &
        sim_pids[$group]+=" $!"
        pids+=($!)
    done
    "$view" --group "$group" --dump "$work/$group.txt" --dump-every-ms 250 >"$work/view-$group.log" 2>&1 &
    view_pid[$group]=$!
    pids+=($!)
done
for group in big small; do
    n=${!group}
    wait_for 60 grep -q " rows=$n " "$work/$group.txt" || fail "the $group view did not reach $n rows"
done
echo "fleet view benchmark: $big and $small rigs at 1 Hz, $minutes min after a minute's warm-up"
sleep 60

declare -A cpu_start cpu_minute sim_start
start=$(now_ms)
for group in big small; do
    cpu_start[$group]=$(cpu_ticks "${view_pid[$group]}")
    cpu_minute[$group]=${cpu_start[$group]}
    sim_start[$group]=$(cpu_ticks ${sim_pids[$group]})
    echo "$group minute 0: rss $(rss_kib "${view_pid[$group]}") KiB" | tee -a "$work/figures"
done
minute=0
next_minute=$((start + 60000))
end=$((start + minutes * 60000))
while [ "$(now_ms)" -lt "$end" ]; do
    for group in big small; do
        head -1 "$work/$group.txt" | sed -n 's/^time_ms=\([0-9]*\) .* newest_on_screen_ms=\([0-9]*\)$/\1 \2/p' |
            awk '{print $1 - $2}' >>"$work/age-$group"
    done
    if [ "$(now_ms)" -ge "$next_minute" ]; then
        minute=$((minute + 1))
        next_minute=$((next_minute + 60000))
        for group in big small; do
            c=$(cpu_ticks "${view_pid[$group]}")
            echo "$group minute $minute: rss $(rss_kib "${view_pid[$group]}") KiB, cpu $(python3 -c \
                "print(f'{100 * ($c - ${cpu_minute[$group]}) / $ticks / 60:.1f}')") % of a core" | tee -a "$work/figures"
            cpu_minute[$group]=$c
        done
    fi
    sleep 0.25
done
elapsed=$(($(now_ms) - start))
for group in big small; do
    n=${!group}
    python3 - "$group" "$n" "$work/age-$group" "$elapsed" "$ticks" \
        "$(( $(cpu_ticks "${view_pid[$group]}") - ${cpu_start[$group]} ))" \
        "$(( $(cpu_ticks ${sim_pids[$group]}) - ${sim_start[$group]} ))" "$(rss_kib "${view_pid[$group]}")" <<'PY'
import sys
group, n, ages_file, elapsed_ms, ticks, view_ticks, sim_ticks, rss = sys.argv[1:]
ages = sorted(int(a) for a in open(ages_file) if a.strip())
seconds = int(elapsed_ms) / 1000
cpu = 100 * int(view_ticks) / int(ticks) / seconds
sim = 100 * int(sim_ticks) / int(ticks) / seconds
pick = lambda q: ages[min(len(ages) - 1, int(q * len(ages)))] / 1000 if ages else float("nan")
print(f"{group}: {n} rigs: view cpu {cpu:.1f} % of a core (goal <= 10), resident {int(rss) / 1024:.1f} MiB at the end; "
      f"newest reading on screen: p50 {pick(0.5):.2f} s, p95 {pick(0.95):.2f} s (goal <= 1.5), max {pick(1.0):.2f} s "
      f"over {len(ages)} samples; simulators cpu {sim:.1f} %")
PY
done
rm -rf "$artefacts"
