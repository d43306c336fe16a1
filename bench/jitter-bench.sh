#!/usr/bin/env bash
# Offset error behind a jittery path: brisvander-cli with one sample and with
# several, against ntpdig with as many, all through brisvander-jitter-relay to
# one local chronyd on 127.0.0.1. Prints one table. Sends nothing anywhere
# else and never changes the clock: the server runs with -x, the clients only
# query. Never installs chrony.
set -euo pipefail

bench_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo_dir="$(dirname "$bench_dir")"
python=/usr/bin/python3   # ntpdig's modules live with Debian's python3
. "$bench_dir/bench-tools.sh"

usage() {
    cat <<EOF
usage: $0 [--build DIR] [--queries N] [--samples N] [--interval S] [--delay-ms D] [--jitter-ms J] [--seed S]
  --build DIR     build folder holding bin/brisvander-cli and bin/brisvander-jitter-relay (default: the
                  newest build*/ that has both and is no sanitizer or fuzzing build; else builds
                  build-jitter-bench/)
  --queries N     queries per client, each a fresh process (default 40)
  --samples N     samples of the many-sample clients (default 4)
  --interval S    seconds between samples, brisvander-cli --interval and ntpdig -g (default 0.2)
  --delay-ms D    fixed delay each way (default 1)
  --jitter-ms J   random extra delay each way, exponentially distributed with mean J (default 10)
  --seed S        the relay's random seed (default 1)
chronyd: BRISVANDER_CHRONYD, else the one build-test/ or build-bench/ has unpacked, else the system's,
else Debian's package unpacked into build-bench/ (never installed).
EOF
}

build=""
queries=40 samples=4 interval=0.2 delay_ms=1 jitter_ms=10 seed=1
while [[ $# -gt 0 ]]; do
    case "$1" in
        --build) build="${2:?--build needs a folder}"; shift 2 ;;
        --queries) queries="${2:?}"; shift 2 ;;
        --samples) samples="${2:?}"; shift 2 ;;
        --interval) interval="${2:?}"; shift 2 ;;
        --delay-ms) delay_ms="${2:?}"; shift 2 ;;
        --jitter-ms) jitter_ms="${2:?}"; shift 2 ;;
        --seed) seed="${2:?}"; shift 2 ;;
        -h|--help) usage; exit 0 ;;
        *) usage >&2; exit 64 ;;
    esac
done
for number in "$queries" "$samples" "$delay_ms" "$jitter_ms" "$seed"; do
    [[ "$number" =~ ^[0-9]+$ ]] || { echo "not a whole number: $number" >&2; exit 64; }
done
[[ "$interval" =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "not a number of seconds: $interval" >&2; exit 64; }

chronyd="$(bench_chronyd)"
[[ -x /usr/bin/ntpdig ]] || { echo "missing ntpdig: apt-get install ntpsec-ntpdig (a query tool, no time service)" >&2; exit 1; }
[[ -n "$build" ]] || build="$(newest_measurable_build brisvander-cli brisvander-jitter-relay)"
if [[ -z "$build" ]]; then
    build="$repo_dir/build-jitter-bench"
    echo "building brisvander-cli and brisvander-jitter-relay in $build" >&2
    cmake -S "$repo_dir" -B "$build" -G Ninja -DBRISVANDER_BUILD_GUI=OFF -DBRISVANDER_BUILD_TESTS=ON >&2
    nice -n 5 cmake --build "$build" -j2 --target brisvander-cli brisvander-jitter-relay >&2
fi
for program in brisvander-cli brisvander-jitter-relay; do
    [[ -x "$build/bin/$program" ]] || { echo "not built: $build/bin/$program" >&2; exit 1; }
done

build_type="$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt" 2>/dev/null || true)"
echo "brisvander-cli: $build/bin/brisvander-cli${build_type:+ ($build_type)}"
echo "ntpdig: $(/usr/bin/ntpdig -V 2>&1 | head -n 1)"
exec "$python" "$bench_dir/jitter-bench.py" --cli "$build/bin/brisvander-cli" \
    --relay "$build/bin/brisvander-jitter-relay" --chronyd "$chronyd" --queries "$queries" --samples "$samples" \
    --interval "$interval" --delay-us $((delay_ms * 1000)) --jitter-us $((jitter_ms * 1000)) --seed "$seed"
