#!/usr/bin/env bash
# Runs every test: the Linux build (core, acquisition, gui, e2e) and the Qt-free core
# cross-built for Windows under Wine. Installs what is missing first.
source "$(dirname "$0")/scripts/setup.sh"
bv_install_packages
bv_build
cd "$BV_ROOT"

echo "== Linux tests"
ctest --preset default

echo "== Windows core under Wine (preset windows-core, build-windows/)"
export WINEDEBUG=-all
cmake --preset windows-core >/dev/null
cmake --build build-windows -j "$(nproc)"
ctest --preset windows-core
