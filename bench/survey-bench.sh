#!/usr/bin/env bash
# The survey benchmark (survey-bench.py): one process serving many loopback
# addresses, surveyed by the engine and by ntpdig. Sends nothing off loopback
# and never sets the clock.
#   bench/survey-bench.sh [--build DIR] [survey-bench.py options]
set -euo pipefail
bench_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo_dir="$(dirname "$bench_dir")"
. "$bench_dir/bench-tools.sh"

build=""
if [[ "${1:-}" == "--build" ]]; then
    build="${2:?--build needs a folder}"
    shift 2
fi
if [[ -z "$build" ]]; then
    build="$(newest_measurable_build brisvander-survey-bench brisvander-survey-bench-server)"
fi
if [[ -z "$build" ]]; then
    build="$repo_dir/build-bench"
    echo "building the survey benchmark's programs in $build" >&2
    cmake -S "$repo_dir" -B "$build" -G Ninja -DBRISVANDER_BUILD_GUI=OFF -DBRISVANDER_BUILD_TESTS=ON >&2
    cmake --build "$build" -j2 --target brisvander-survey-bench brisvander-survey-bench-server >&2
fi
# ntpdig (ntpsec-ntpdig: a query program, no time service).
"$repo_dir/scripts/install-packages.sh" bench >&2
command -v /usr/bin/ntpdig >/dev/null || { echo "missing ntpdig: apt-get install ntpsec-ntpdig" >&2; exit 1; }
exec /usr/bin/python3 "$bench_dir/survey-bench.py" "$build" "$@"
