#!/usr/bin/env bash
# One module per user, with real processes under Xvfb and trayer against the station simulator: a second start
# brings the running module's window out of the tray and ends with code 0 without connecting (code 1 and a
# message when the running one does not answer); two starts at once leave one module; a module killed outright
# leaves nothing that stops the next start; another user's start is no second start.
#
# usage: single_instance_e2e.sh PROGRAM SIMULATOR ARTEFACT_DIR
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"
program=$1 simulator=$2 artefacts=$3

need Xvfb trayer xdotool xwininfo import
enter_private_network "" "$@"
start_program_dir "$program"
start_desktop
start_station "$work/station.log"

connections() { grep -c "^connection [0-9]* from" "$work/station.log" || true; }
connections_are() { [ "$(connections)" = "$1" ]; }

start_program first
first=$program_pid
wait_for 15 connections_are 1 || fail "the first start never connected"
wait_for 10 main_window_shown || fail "the main window did not appear"
wait_for 10 tray_icon_shown || fail "no tray icon"
double_click_tray_icon
wait_for 10 main_window_hidden || fail "double click did not hide the window to the tray"

# A second start while the first is in the tray: the first's window comes back, the second ends, and the
# station still sees one connection.
start_program second
exited "$program_pid" "the second start"
wait_for 5 main_window_shown || fail "the second start did not bring the window back"
[ "$(main_window_shown | wc -l)" = 1 ] || fail "more than one main window"
import -window root "$artefacts/single_instance_window_back.png"
sleep 2
[ "$(connections)" = 1 ] || fail "the second start connected to the station"
kill -0 "$first" || fail "the first module ended"

# A running module that does not answer (stopped): the second start says so and fails instead of waiting on.
kill -STOP "$first"
start_program frozen
status=0
wait_for 15 ended "$program_pid" || fail "a start beside a stopped module did not end"
wait "$program_pid" || status=$?
kill -CONT "$first"
[ "$status" = 1 ] || fail "a start beside a stopped module ended with $status"
grep -q "did not answer" "$work/frozen.log" || fail "no message beside a stopped module: $(cat "$work/frozen.log")"
end_program "$first" "the first module"

# Two starts at the same moment, none running: one module stays and connects, the other ends with code 0.
start_program twin_a
twin_a=$program_pid
start_program twin_b
twin_b=$program_pid
wait_for 15 connections_are 2 || fail "neither of two simultaneous starts connected"
wait_for 10 eval "ended $twin_a || ended $twin_b" || fail "both simultaneous starts keep running"
if ended "$twin_b"; then survivor=$twin_a other=$twin_b; else survivor=$twin_b other=$twin_a; fi
exited "$other" "the simultaneous start that found the other"
sleep 2
[ "$(connections)" = 2 ] || fail "two simultaneous starts made $(($(connections) - 1)) connections"

# Killed outright, the module leaves its lock file and socket behind; the next start runs all the same.
kill -KILL "$survivor"
wait "$survivor" 2>/dev/null || true
start_program after_crash
after_crash=$program_pid
wait_for 15 connections_are 3 || fail "a start after a killed module never connected"

# Another user has a module of their own beside this user's (root only: it takes a change of user).
if [ "$(id -u)" = 0 ] && setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
    other_home="$work/other_user"
    mkdir -p "$other_home/bin" "$other_home/run"
    cp "$program" "$other_home/bin/Borevane"
    chown -R 65534:65534 "$other_home"
    chmod 700 "$other_home/run"
    env HOME="$other_home" XDG_CONFIG_HOME="$other_home/config" XDG_RUNTIME_DIR="$other_home/run" \
        QT_QPA_PLATFORM=offscreen setpriv --reuid=65534 --regid=65534 --clear-groups \
        "$other_home/bin/Borevane" >"$work/other_user.log" 2>&1 &
    other_user=$!
    pids+=($other_user)
    wait_for 15 connections_are 4 || fail "another user's module did not run beside this user's"
    end_program "$other_user" "the other user's module"
else
    echo "not root: the other user's case is left out"
fi
kill -0 "$after_crash" || fail "the module started after the crash ended"
end_program "$after_crash" "the module started after the crash"
echo "PASS"
