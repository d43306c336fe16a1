#!/usr/bin/env bash
# Measures brisvander-cli and the SNTP clients Debian ships against one local
# chronyd on 127.0.0.1 and prints one table. Sends nothing anywhere else and
# never changes the clock: the server runs with -x, the clients only query.
set -euo pipefail

bench_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo_dir="$(dirname "$bench_dir")"
python=/usr/bin/python3   # Debian's python3-ntplib and ntpdig's modules live there
helper="$bench_dir/bench.py"

usage() {
    cat <<EOF
usage: $0 [--cli PATH] [--queries N] [--port P]
  --cli PATH    brisvander-cli to measure (default: newest build*/bin/brisvander-cli that
                is not a sanitizer or fuzzing build, built into build-bench when there is none)
  --queries N   queries per client, each a fresh process (default 30, at least 20 for the table)
  --port P      UDP port on 127.0.0.1 for the local chronyd (default: a free one)
EOF
}

cli=""
queries=30
port=""
while [[ $# -gt 0 ]]; do
    case "$1" in
        --cli) cli="${2:?--cli needs a path}"; shift 2 ;;
        --queries) queries="${2:?--queries needs a number}"; shift 2 ;;
        --port) port="${2:?--port needs a number}"; shift 2 ;;
        -h|--help) usage; exit 0 ;;
        *) usage >&2; exit 64 ;;
    esac
done
[[ "$queries" =~ ^[0-9]+$ && "$queries" -ge 1 ]] || { echo "--queries must be a positive number" >&2; exit 64; }

# The peer clients (ntpsec-ntpdig, python3-ntplib: clients only, no time service).
"$repo_dir/scripts/install-packages.sh" bench >&2
require() {  # command, Debian package
    command -v "$1" >/dev/null 2>&1 || { echo "missing $1: apt-get install $2" >&2; exit 1; }
}
require /usr/bin/ntpdig ntpsec-ntpdig
require "$python" python3
"$python" -c 'import ntplib' 2>/dev/null || { echo "missing ntplib: apt-get install python3-ntplib" >&2; exit 1; }

# The server: chronyd as the tests have it, unpacked from Debian's package
# into a build tree where chrony is not installed, never installed itself.
find_chronyd() {
    "$repo_dir/scripts/find-chronyd.sh" "$repo_dir/build-test" 2>/dev/null ||
        "$repo_dir/scripts/find-chronyd.sh" "$repo_dir/build-bench" 2>/dev/null
}
if ! chronyd="$(find_chronyd)"; then
    "$repo_dir/scripts/fetch-chrony.sh" "$repo_dir/build-bench/test-tools/chrony" >&2
    chronyd="$(find_chronyd)"
fi

find_cli() {
    local newest=""
    for candidate in "$repo_dir"/build*/bin/brisvander-cli; do
        [[ -x "$candidate" ]] || continue
        # Sanitizer and fuzzing builds would measure their instrumentation.
        grep -q -E '^BRISVANDER_(SANITIZE|FUZZ):BOOL=ON' "$(dirname "$(dirname "$candidate")")/CMakeCache.txt" 2>/dev/null &&
            continue
        if [[ -z "$newest" || "$candidate" -nt "$newest" ]]; then newest="$candidate"; fi
    done
    echo "$newest"
}

if [[ -z "$cli" ]]; then
    cli="$(find_cli)"
    if [[ -z "$cli" ]]; then
        echo "building brisvander-cli in $repo_dir/build-bench" >&2
        cmake -S "$repo_dir" -B "$repo_dir/build-bench" -G Ninja \
            -DBRISVANDER_BUILD_GUI=OFF -DBRISVANDER_BUILD_TESTS=OFF >&2
        ninja -C "$repo_dir/build-bench" -j2 brisvander-cli >&2
        cli="$repo_dir/build-bench/bin/brisvander-cli"
    fi
fi
[[ -x "$cli" ]] || { echo "not an executable: $cli" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/brisvander-bench.XXXXXX")"
server_pid=""
measure_pid=""
stop_our_processes() {
    local pid
    for pid in "$measure_pid" "$server_pid"; do
        if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$work"
}
trap stop_our_processes EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# chronyd refuses to start as another user than root unless told the user has what it needs.
chrony_user=(-u "$(id -un)")
[[ "$(id -u)" -eq 0 ]] || chrony_user+=(-U)

[[ -n "$port" ]] || port="$("$python" "$helper" free-port)"
cat > "$work/server.conf" <<EOF
port $port
bindaddress 127.0.0.1
allow 127.0.0.1
local stratum 3
cmdport 0
bindcmdaddress /
pidfile $work/server.pid
driftfile $work/server.drift
EOF

"$chronyd" -x -d "${chrony_user[@]}" -f "$work/server.conf" >"$work/server.log" 2>&1 &
server_pid=$!
if ! "$python" "$helper" wait-ready "$port" 10; then
    echo "chronyd did not answer on 127.0.0.1:$port within 10 s; its log:" >&2
    cat "$work/server.log" >&2
    exit 1
fi

cache="$(dirname "$(dirname "$cli")")/CMakeCache.txt"
build_type="$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$cache" 2>/dev/null || true)"
echo "brisvander-cli: $cli${build_type:+ ($build_type)}"
echo "server: $("$chronyd" --version | head -n 1 | cut -d' ' -f1-4) on 127.0.0.1:$port (-x, local stratum 3)"
echo "queries per client: $queries, each a fresh process; one warm-up each, not counted"
echo
# In the background so that a signal reaches the trap at once, not after the whole measurement.
"$python" "$helper" measure --port "$port" --cli "$cli" --work "$work" --queries "$queries" --chronyd "$chronyd" &
measure_pid=$!
wait "$measure_pid"
