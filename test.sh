#!/usr/bin/env bash
# Runs every test: the format check of the changed files, the Linux build (core, acquisition, gui, e2e), the
# Qt-free core cross-built for Windows under Wine, and a short run of every fuzz target. Installs what is
# missing first. BV_FORMAT_BASE: the commit or branch the format check compares with (see scripts/setup.sh).
source "$(dirname "$0")/scripts/setup.sh"
bv_install_packages
bv_check_format
bv_build
cd "$BV_ROOT"

echo "== Linux tests"
ctest --preset default

echo "== Windows core under Wine (preset windows-core, build-windows/)"
bv_build windows-core
ctest --preset windows-core

echo "== Fuzz targets, ${BV_FUZZ_SECONDS:-20} s each (preset fuzz, build-fuzz/)"
status=0
"$BV_ROOT/fuzz/run_fuzzers.sh" "${BV_FUZZ_SECONDS:-20}" || status=$?
if [ "$status" -eq 3 ]; then
    echo "== fuzzing skipped: the fuzz preset cannot be built on this machine"
elif [ "$status" -ne 0 ]; then
    exit "$status"
fi
