#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs each for a
# bounded time on its seed corpus. Needs clang and libclang-rt-14-dev
# (./test.sh installs them).
# Usage: fuzz/run-fuzz.sh [seconds per target]   (default 60)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$here/build-fuzz"
# target and its seed folder under fuzz/
targets=(
    "fuzz_ntp_reply corpus"
    "fuzz_nts_ke_response corpus-nts-ke"
    "fuzz_nts_reply corpus-nts-reply"
    "fuzz_nts_store corpus-nts-store"
)
# Only warnings and errors: a failed configure shows why.
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja --log-level=WARNING -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRISVANDER_FUZZ=ON -DBRISVANDER_BUILD_GUI=OFF -DBRISVANDER_BUILD_TESTS=OFF
cmake --build "$build" --target fuzz_ntp_reply fuzz_nts_ke_response fuzz_nts_reply fuzz_nts_store -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Findings (crash-*, leak-*, timeout-*, oom-*) land in the build folder, never in the tree.
artifacts="$build/artifacts"
mkdir -p "$artifacts"
# A finding makes libFuzzer exit non-zero, and so this script.
status=0
for entry in "${targets[@]}"; do
    read -r target seeds <<<"$entry"
    echo "== $target"
    mkdir -p "$work/$target"
    cp "$here/fuzz/$seeds/"* "$work/$target/"
    one=0
    "$build/bin/$target" -max_total_time="$seconds" -max_len=1600 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$target-" "$work/$target" >"$work/$target.log" 2>&1 || one=$?
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY|Done ' \
        "$work/$target.log" || true
    if [ "$one" -ne 0 ]; then
        tail -40 "$work/$target.log"
        echo "the input that found it is in $artifacts"
        status=$one
    fi
done
exit "$status"
