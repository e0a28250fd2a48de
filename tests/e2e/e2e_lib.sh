# Shared by whole-program tests (sourced, not run): failing and skipping, waiting, a private network namespace
# for the fixed station port, an X display with a notification area, the station simulator and the program, all
# ended with the test; and the program's windows, menus and tray icon as a person reaches them.

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

# start_work_dir: a scratch directory `work` with a configuration home and a runtime directory of the test's
# own, and the caller's `artefacts` directory made. The processes started into `pids` and the mounts made by
# read_only_bind are all gone when the test ends.
start_work_dir() {
    work=$(mktemp -d /tmp/bv-e2e.XXXXXX)
    pids=()
    mounts=()
    trap end_work_dir EXIT
    mkdir -p "$work/config" "$work/run" "$artefacts"
    chmod 700 "$work/run"
    export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
    unset WAYLAND_DISPLAY
}
end_work_dir() {
    local pid mount
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    for mount in "${mounts[@]}"; do umount "$mount" 2>/dev/null || true; done
    rm -rf "$work"
}

# start_program_dir PROGRAM: a scratch directory (start_work_dir) with the program copied into bin/ as Borevane.
start_program_dir() {
    start_work_dir
    mkdir -p "$work/bin"
    cp "$1" "$work/bin/Borevane"
}

# read_only_bind DIR: nothing can write below DIR any more, not even root (needs a mount namespace of its own).
read_only_bind() {
    mount --bind "$1" "$1"
    mounts+=("$1")
    mount -o remount,bind,ro "$1"
    ! touch "$1/.probe" 2>/dev/null || fail "$1 is still writable"
}

# start_xvfb [SCREEN [XVFB_ARGS...]]: an X server on a free display of its own (screen 1024x768x24 unless given;
# further arguments go to Xvfb), for Qt's X11 platform; exports DISPLAY. Without -noreset the server resets
# whenever its last client leaves, and a client connecting meanwhile (trayer, while a wait_for polls with
# xdotool) is refused.
start_xvfb() {
    exec 5>"$work/display"
    Xvfb -displayfd 5 -screen 0 "${1:-1024x768x24}" "${@:2}" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb
}

# start_desktop [SCREEN]: Xvfb (see start_xvfb) with trayer as the notification area at the screen's bottom right;
# the X server's pid in xvfb_pid.
start_desktop() {
    start_xvfb "$@"
    xvfb_pid=${pids[-1]}
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

# start_station LOG [ADDRESS]: the station simulator SIMULATOR (a variable of the caller) on ADDRESS (127.0.0.1)
# port 8001; its pid in station_pid.
start_station() {
    local address=${2:-127.0.0.1}
    "$simulator" --address "$address" --port 8001 --verbose >"$1" 2>&1 &
    station_pid=$!
    pids+=($station_pid)
    wait_for 10 grep -q "listening on $address:8001" "$1" || fail "the station simulator did not start on $address"
}

# start_program NAME [PROGRAM]: the program (the copy in bin/ unless given) in the background, its output in
# NAME.log of the scratch directory; its pid in program_pid.
start_program() {
    "${2:-$work/bin/Borevane}" >"$work/$1.log" 2>&1 &
    program_pid=$!
    pids+=($program_pid)
}

# ended PID: the process is gone.  exited PID WHAT [SECONDS]: it ends by itself within SECONDS (10), with code 0.
ended() { ! kill -0 "$1" 2>/dev/null; }
exited() {
    wait_for "${3:-10}" ended "$1" || fail "$2 did not end"
    local status=0
    wait "$1" || status=$?
    [ "$status" = 0 ] || fail "$2 ended with $status"
}

# end_program PID WHAT: SIGTERM, and the exit code must be 0.
end_program() {
    kill -TERM "$1"
    local status=0
    wait "$1" || status=$?
    [ "$status" = 0 ] || fail "$2 ended with $status after SIGTERM"
}

# The program's windows by their titles: window_shown TITLE prints the ids of the visible ones, window_gone
# TITLE holds when there are none.
main_window_title=" Модуль глубины для забойной системы"
settings_title="  Настройки"
about_title=" О программе..."
window_shown() { xdotool search --onlyvisible --name "^$1\$"; }
window_gone() { ! window_shown "$1" >/dev/null; }
main_window_shown() { window_shown "$main_window_title"; }
main_window_hidden() { window_gone "$main_window_title"; }

# menu_bar KEY...: the main window's menu bar by keyboard. The window takes the focus, Alt selects the first
# menu's title ("Файл"), then the KEYs: Right the next title ("Справка"), Return opens the menu and then chooses
# its selected item (the first at opening), Down selects the next item.
menu_bar() {
    xdotool windowfocus --sync "$(main_window_shown | head -1)"
    xdotool key alt "$@"
}

# The program's tray icon: its window embedded in trayer's panel.
tray_icon() {
    xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ {p = 1} p && /\("Borevane" "Borevane"\)/ {print $1; exit}'
}
tray_icon_shown() { [ -n "$(tray_icon)" ]; }

# double_click_tray_icon: hides the window to the tray, or brings it back.
double_click_tray_icon() {
    xdotool mousemove --window "$(tray_icon)" 8 8 click --repeat 2 --delay 60 1
}

# exit_by_tray_menu WHEN [SCREENSHOT]: "Выход" from the tray icon's menu, opened by a right click on the icon;
# the menu holds that one item, the first Down selects it. The program (program_pid) must end with code 0.
exit_by_tray_menu() {
    xdotool mousemove --window "$(tray_icon)" 8 8 click 3
    sleep 0.5
    [ -z "${2:-}" ] || import -window root "$2"
    xdotool key Down Return
    exited "$program_pid" "the program (the tray menu's exit $1)" 15
}

# start_broker: mosquitto with the caller's $work/mosquitto.conf (which must say `user root` where the test runs as
# root), its output in broker.log; returns once port 1883 takes connections. Its pid in broker_pid.
start_broker() {
    mosquitto -c "$work/mosquitto.conf" >>"$work/broker.log" 2>&1 &
    broker_pid=$!
    pids+=($broker_pid)
    wait_for 10 bash -c 'exec 3<>/dev/tcp/127.0.0.1/1883' || fail "mosquitto did not start: $(cat "$work/broker.log")"
}

# count_colour FILE COLOUR: how many pixels have exactly this colour.
count_colour() {
    convert "$1" -alpha off +transparent "$2" -alpha extract -format '%[fx:int(mean * w * h + 0.5)]' info:
}
# contrast FILE COLOUR: the contrast ratio (WCAG) of text drawn in COLOUR with the most common colour where it
# is drawn (the box around all its pixels), both read from the screenshot; 0 when nothing has that colour.
contrast() {
    local box behind
    box=$(convert "$1" -alpha off -fill white +opaque "$2" -fill black -opaque "$2" -negate -format '%@' info:)
    [ "$(count_colour "$1" "$2")" -gt 0 ] || { echo 0; return; }
    behind=$(convert "$1" -alpha off -crop "$box" +repage -format %c histogram:info:- | sort -rn | head -1 |
        sed 's/.*\(#[0-9A-F]\{6\}\).*/\1/')
    python3 - "$2" "$behind" <<'PY'
import sys
def lum(h):
    c = [int(h[i:i + 2], 16) / 255 for i in (1, 3, 5)]
    c = [v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4 for v in c]
    return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2]
a, b = sorted((lum(sys.argv[1]), lum(sys.argv[2])))
print(f"{(b + 0.05) / (a + 0.05):.1f}")
PY
}
# legible FILE COLOUR: the values in COLOUR stand out at least 4.5:1.
legible() {
    local ratio
    ratio=$(contrast "$1" "$2")
    echo "$(basename "$1"): value text $2 at $ratio:1"
    awk -v r="$ratio" 'BEGIN { exit !(r >= 4.5) }' || fail "the values in $(basename "$1") stand out only $ratio:1"
}
