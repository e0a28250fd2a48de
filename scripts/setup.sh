# Shared set-up of the two top-level commands (sourced, not run): installs the Debian
# packages the project needs when they are missing, then configures and builds.
set -euo pipefail

BV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Everything comes from Debian 12's own archive.
BV_PACKAGES=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-qpa-plugins libboost-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
    xvfb xauth x11-utils trayer xdotool imagemagick fonts-dejavu-core iproute2 util-linux openbox xserver-xephyr
    clang-14 libclang-rt-14-dev clang-format-14
    dpkg-dev file binutils desktop-file-utils mount
    qt6-serialport-dev socat python3
    mosquitto libmosquitto-dev protobuf-compiler libprotobuf-dev libsqlite3-dev openssl sqlite3 bc
)

bv_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

bv_install_packages() {
    local missing=()
    for p in "${BV_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "== installing Debian packages: ${missing[*]}"
        bv_as_root apt-get update -qq
        bv_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# bv_build [PRESET [TARGET...]]: configures and builds one preset (default: the Linux build), or only the targets.
bv_build() {
    local preset=${1:-default}
    local targets=("${@:2}")
    # Compiles go through ccache when it is there, so that rebuilding the same sources on this machine, in another
    # tree or after a clean, takes seconds. Decided here, after the packages are installed: CMake reads the variable
    # only when it first configures a build tree, so a decision taken before ccache arrived would leave the first
    # tree without it and make the next configure rebuild everything once it is added.
    if command -v ccache >/dev/null; then
        export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}"
    fi
    echo "== configuring and building (preset $preset)"
    (cd "$BV_ROOT" && cmake --preset "$preset" >/dev/null &&
        cmake --build --preset "$preset" -j "$(nproc)" ${targets[@]+--target "${targets[@]}"})
}

# bv_check_format: the C++ files that a change touches must be as clang-format-14 formats them with the root's
# .clang-format. The change: with BV_FORMAT_BASE set (a commit or branch, e.g. origin/main in CI; its history
# must be fetched), every file changed since the merge base with it, committed or not. Otherwise what a
# developer's tree and a fresh clone both show: the files changed in the working tree (staged, unstaged and
# untracked) plus those of the last commit (against its first parent, so a merge counts with all it brings).
# Outside a git checkout nothing is checked.
bv_check_format() {
    local files=() unformatted=() base f
    if ! git -C "$BV_ROOT" rev-parse -q --verify HEAD >/dev/null 2>&1; then
        echo "== format check skipped: not a git checkout"
        return 0
    fi
    command -v clang-format-14 >/dev/null || { echo "clang-format-14 is not installed" >&2; return 1; }
    if [ -n "${BV_FORMAT_BASE:-}" ]; then
        base=$(git -C "$BV_ROOT" merge-base "$BV_FORMAT_BASE" HEAD) ||
            { echo "BV_FORMAT_BASE=$BV_FORMAT_BASE has no merge base with HEAD (fetch its history)" >&2; return 1; }
    elif git -C "$BV_ROOT" rev-parse -q --verify HEAD^ >/dev/null; then
        base=HEAD^
    else
        base=HEAD
        echo "== format check: the last commit has no parent here (a shallow clone?), only the working tree counts"
    fi
    mapfile -t files < <(cd "$BV_ROOT" && {
        git diff --name-only --diff-filter=d "$base"
        git ls-files --others --exclude-standard
    } | grep -E '\.(cpp|h)$' | sort -u)
    for f in "${files[@]}"; do
        clang-format-14 --style=file "$BV_ROOT/$f" | cmp -s - "$BV_ROOT/$f" || unformatted+=("$f")
    done
    echo "== format check: ${#files[@]} changed C++ files since $base, ${#unformatted[@]} not formatted"
    if [ ${#unformatted[@]} -gt 0 ]; then
        printf '   %s\n' "${unformatted[@]}" >&2
        echo "fix with: (cd $BV_ROOT && clang-format-14 -i ${unformatted[*]})" >&2
        return 1
    fi
}
