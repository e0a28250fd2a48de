#!/usr/bin/env bash
# Builds the fuzz preset (build-fuzz/) and runs every fuzz target for a fixed time each:
#   fuzz/run_fuzzers.sh [seconds per target, default 20] [target ...]
# New inputs go to build-fuzz/corpus/<target>; the committed seeds in fuzz/corpus/ stay as they
# are. A finding stops the run with the target's report and a crash file under build-fuzz/findings/.
# Exit status 3 means the preset cannot be built here (no clang 14 or no libFuzzer runtime).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-20}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(decode_answer binary_buffer ini_file color_names item_words sparkplug_inbound)

probe="$(mktemp -d)"
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! command -v clang++-14 >/dev/null ||
    ! clang++-14 -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
    echo "fuzzing skipped: clang++-14 with libFuzzer (packages clang-14, libclang-rt-14-dev) is not available"
    exit 3
fi

(cd "$root" && cmake --preset fuzz >/dev/null)
(cd "$root" && cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}")
for t in "${targets[@]}"; do
    corpus="$root/build-fuzz/corpus/$t"
    findings="$root/build-fuzz/findings/$t"
    mkdir -p "$corpus" "$findings"
    echo "== fuzzing $t for ${seconds} s"
    status=0
    "$root/build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "$root/fuzz/corpus/$t" >"$findings/log" 2>&1 || status=$?
    grep -E "^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::number_of_executed_units|property violated|ERROR|SUMMARY|Test unit written" \
        "$findings/log" || true
    if [ "$status" -ne 0 ]; then
        echo "fuzz_$t found a fault (exit $status; log and input in $findings)"
        exit 1
    fi
done
