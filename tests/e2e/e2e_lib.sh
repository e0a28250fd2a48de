# Pieces shared by the whole-program test scripts; sourced, not run.

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*" >&2; exit 77; }

# need TOOL...: skips the test when one is not installed.
need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
}

# wait_for SECONDS COMMAND...: retries the command every 0.1 s.
wait_for() {
    local tries=$(($1 * 10))
    shift
    for ((i = 0; i < tries; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# private_port_8001 SCRIPT ARGS...: the program's port is fixed, so the calling script runs again in a
# private network namespace of its own (inside a user namespace for an unprivileged user), whatever else
# runs on the machine; without one the port must be free.
private_port_8001() {
    if [ -z "${BV_E2E_IN_NETNS:-}" ] && command -v unshare >/dev/null && command -v ip >/dev/null; then
        for isolate in "unshare -n" "unshare -rn"; do
            if $isolate true 2>/dev/null; then
                exec env BV_E2E_IN_NETNS=1 $isolate bash "$@"
            fi
        done
    fi
    if [ -n "${BV_E2E_IN_NETNS:-}" ]; then
        ip link set lo up
    elif (exec 3<>/dev/tcp/127.0.0.1/8001) 2>/dev/null; then
        skip "something listens on 127.0.0.1:8001 and no private network namespace is available"
    fi
}

# start_xvfb WORK_DIR [SCREEN]: an X server on a free display of its own (screen 1024x768x24 unless
# given); exports DISPLAY and adds its pid to pids.
start_xvfb() {
    exec 5>"$1/display"
    Xvfb -displayfd 5 -screen 0 "${2:-1024x768x24}" -nolisten tcp >"$1/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for 10 test -s "$1/display" || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$1/display")"
}
