#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs each for a
# bounded time. Needs clang and libclang-rt-14-dev (./test.sh installs them).
# Usage: fuzz/run-fuzz.sh [seconds]   (default 60)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$here/build-fuzz"
# Only warnings and errors: a failed configure shows why.
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja --log-level=WARNING -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRISVANDER_FUZZ=ON -DBRISVANDER_BUILD_GUI=OFF -DBRISVANDER_BUILD_TESTS=OFF
cmake --build "$build" --target fuzz_ntp_reply -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/fuzz/corpus/"* "$work/"
# A finding makes libFuzzer exit non-zero, and so this script.
status=0
"$build/bin/fuzz_ntp_reply" -max_total_time="$seconds" -max_len=1600 -print_final_stats=1 "$work" \
    >"$work.log" 2>&1 || status=$?
grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY|Done ' "$work.log" || true
[ "$status" -eq 0 ] || tail -40 "$work.log"
rm -f "$work.log"
exit "$status"
