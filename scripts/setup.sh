# Shared set-up of the two top-level commands (sourced, not run): installs the Debian
# packages the project needs when they are missing, then configures and builds.
set -euo pipefail

BV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Everything comes from Debian 12's own archive.
BV_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins libboost-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
    xvfb xauth x11-utils trayer xdotool imagemagick fonts-dejavu-core iproute2 util-linux openbox xserver-xephyr
    clang-14 libclang-rt-14-dev
    dpkg-dev file binutils desktop-file-utils mount
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

bv_build() {
    echo "== configuring and building (preset default, build/)"
    cmake --preset default -S "$BV_ROOT" >/dev/null
    cmake --build "$BV_ROOT/build" -j "$(nproc)"
}
