# Shared by whole-program tests (sourced, not run): failing and skipping, waiting, a private network namespace
# for the fixed station port, and an X display with a notification area, all ended with the test.

fail() {
    echo "FAIL: $*" >&2
    [ -z "${BV_E2E_KEEP:-}" ] || for f in "$work"/*.log; do echo "== $f" >&2; cat "$f" >&2; done
    exit 1
}
skip() { echo "SKIP: $*" >&2; exit 77; }

# need TOOL...: skips the test when one is missing.
need() {
    local tool
    for tool; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done
}

# wait_for SECONDS COMMAND...: retries the command every 0.1 s.
wait_for() {
    local tries=$(($1 * 10)) i
    shift
    for ((i = 0; i < tries; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# enter_private_network FLAGS SCRIPT_ARGS...: runs the calling script again in a private network namespace (plus
# the namespaces that the further unshare FLAGS name, "" for none), so that port 8001 is this run's; an
# unprivileged user gets one inside a user namespace. Without namespaces the port must be free.
enter_private_network() {
    local flags=$1 isolate
    shift
    if [ -z "${BV_E2E_IN_NETNS:-}" ] && command -v unshare >/dev/null && command -v ip >/dev/null; then
        for isolate in "unshare -n$flags" "unshare -rn$flags"; do
            if $isolate true 2>/dev/null; then
                exec env BV_E2E_IN_NETNS=1 $isolate bash "$0" "$@"
            fi
        done
    fi
    if [ -n "${BV_E2E_IN_NETNS:-}" ]; then
        ip link set lo up
    elif (exec 3<>/dev/tcp/127.0.0.1/8001) 2>/dev/null; then
        skip "something listens on 127.0.0.1:8001 and no private network namespace is available"
    fi
}

# A scratch directory, the processes started into `pids` and the mounts made by read_only_bind, all gone when
# the test ends.
start_work_dir() {
    work=$(mktemp -d /tmp/bv-e2e.XXXXXX)
    pids=()
    mounts=()
    trap end_work_dir EXIT
}
end_work_dir() {
    local pid mount
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    for mount in "${mounts[@]}"; do umount "$mount" 2>/dev/null || true; done
    rm -rf "$work"
}

# start_program_dir PROGRAM: a scratch directory (start_work_dir) with the program copied into bin/ as
# Borevane, and a configuration home and runtime directory of the test's own.
start_program_dir() {
    start_work_dir
    mkdir -p "$work/bin" "$work/config" "$work/run" "$artefacts"
    chmod 700 "$work/run"
    cp "$1" "$work/bin/Borevane"
    export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
    unset WAYLAND_DISPLAY
}

# read_only_bind DIR: nothing can write below DIR any more, not even root (needs a mount namespace of its own).
read_only_bind() {
    mount --bind "$1" "$1"
    mounts+=("$1")
    mount -o remount,bind,ro "$1"
    ! touch "$1/.probe" 2>/dev/null || fail "$1 is still writable"
}

# start_xvfb WORK_DIR [SCREEN [XVFB_ARGS...]]: an X server on a free display of its own (screen 1024x768x24
# unless given; further arguments go to Xvfb); exports DISPLAY and adds its pid to pids.
start_xvfb() {
    exec 5>"$1/display"
    Xvfb -displayfd 5 -screen 0 "${2:-1024x768x24}" "${@:3}" -nolisten tcp >"$1/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for 10 test -s "$1/display" || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$1/display")"
}

# start_desktop: Xvfb on a display number of its own choice, with trayer as the notification area.
start_desktop() {
    start_xvfb "$work"
    export QT_QPA_PLATFORM=xcb
    unset WAYLAND_DISPLAY
    trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
        --transparent false --SetDockType true >"$work/trayer.log" 2>&1 &
    pids+=($!)
    wait_for 10 xdotool search --classname panel || fail "trayer did not start"
}

# start_window_manager: openbox on DISPLAY, so that windows get frames, focus and stacking as on a desktop;
# returns once it manages the screen.
start_window_manager() {
    need openbox xprop
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wait_for 10 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "openbox did not start"
}

# frame_geometry WINDOW: "x y w h" of the window with the frame the window manager put around it.
frame_geometry() {
    local x y w h left right top bottom
    read -r x y w h <<<"$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
        /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}')"
    read -r left right top bottom <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ',')"
    echo "$((x - ${left:-0})) $((y - ${top:-0})) $((w + ${left:-0} + ${right:-0})) $((h + ${top:-0} + ${bottom:-0}))"
}

# start_station LOG: the station simulator SIMULATOR (a variable of the caller) on port 8001.
start_station() {
    "$simulator" --port 8001 --verbose >"$1" 2>&1 &
    pids+=($!)
    wait_for 10 grep -q "listening on 127.0.0.1:8001" "$1" || fail "the station simulator did not start"
}

main_window_title=" Модуль глубины для забойной системы"
main_window_shown() { xdotool search --onlyvisible --name "^$main_window_title\$"; }
main_window_hidden() { ! xdotool search --onlyvisible --name "^$main_window_title\$"; }

# The program's tray icon: its window embedded in trayer's panel.
tray_icon() {
    xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ {p = 1} p && /\("Borevane" "Borevane"\)/ {print $1; exit}'
}

# double_click_tray_icon: hides the window to the tray, or brings it back.
double_click_tray_icon() {
    xdotool mousemove --window "$(tray_icon)" 8 8 click --repeat 2 --delay 60 1
}

# end_program PID WHAT: SIGTERM, and the exit code must be 0.
end_program() {
    kill -TERM "$1"
    local status=0
    wait "$1" || status=$?
    [ "$status" = 0 ] || fail "$2 ended with $status after SIGTERM"
}
