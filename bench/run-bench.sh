#!/usr/bin/env bash
# Measures brisvander-cli and the SNTP clients Debian ships against one local
# chronyd on 127.0.0.1 and prints one table; the same chronyd also serves NTS
# (a certificate for "localhost" from a CA made for this run), queried by
# brisvander-cli --nts and chronyd -Q. Sends nothing off loopback and never
# changes the clock: the server runs with -x, the clients only query.
set -euo pipefail

bench_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo_dir="$(dirname "$bench_dir")"
python=/usr/bin/python3   # Debian's python3-ntplib and ntpdig's modules live there
helper="$bench_dir/bench.py"
. "$bench_dir/bench-tools.sh"

usage() {
    cat <<EOF
usage: $0 [--cli PATH] [--queries N] [--port P] [--nts-port Q | --no-nts] [--cpu C]
  --cli PATH    brisvander-cli to measure (default: newest build*/bin/brisvander-cli that
                is not a sanitizer or fuzzing build, built into build-bench when there is none)
  --queries N   queries per client, each a fresh process (default 30, at least 20 for the table)
  --port P      UDP port on 127.0.0.1 for the local chronyd (default: a free one)
  --nts-port Q  TCP port on 127.0.0.1 for its NTS key exchange (default: a free one)
  --no-nts      plain NTP rows only
  --cpu C       run the server and every client on CPU C alone (default: where the kernel puts them)
EOF
}

cli=""
queries=30
port=""
nts_port=""
nts=yes
cpu=""
while [[ $# -gt 0 ]]; do
    case "$1" in
        --cli) cli="${2:?--cli needs a path}"; shift 2 ;;
        --queries) queries="${2:?--queries needs a number}"; shift 2 ;;
        --port) port="${2:?--port needs a number}"; shift 2 ;;
        --nts-port) nts_port="${2:?--nts-port needs a number}"; shift 2 ;;
        --no-nts) nts=no; shift ;;
        --cpu) cpu="${2:?--cpu needs a CPU number}"; shift 2 ;;
        -h|--help) usage; exit 0 ;;
        *) usage >&2; exit 64 ;;
    esac
done
[[ "$queries" =~ ^[0-9]+$ && "$queries" -ge 1 ]] || { echo "--queries must be a positive number" >&2; exit 64; }
# On loopback the offset is half the server's time from reading T3 to the
# packet leaving, and that time doubles when the server runs on another CPU
# than the waiting client: pinning both to one CPU takes placement out of the
# comparison.
on_cpu=()
if [[ -n "$cpu" ]]; then
    [[ "$cpu" =~ ^[0-9]+$ ]] && taskset -c "$cpu" true 2>/dev/null ||
        { echo "--cpu: no CPU $cpu to run on" >&2; exit 64; }
    on_cpu=(taskset -c "$cpu")
fi

# The peer clients (ntpsec-ntpdig, python3-ntplib: clients only, no time service).
"$repo_dir/scripts/install-packages.sh" bench >&2
require() {  # command, Debian package
    command -v "$1" >/dev/null 2>&1 || { echo "missing $1: apt-get install $2" >&2; exit 1; }
}
require /usr/bin/ntpdig ntpsec-ntpdig
require openssl openssl
require "$python" python3
"$python" -c 'import ntplib' 2>/dev/null || { echo "missing ntplib: apt-get install python3-ntplib" >&2; exit 1; }

chronyd="$(bench_chronyd)"
if [[ "$nts" == yes ]] && ! "$chronyd" --version | grep -q -- '+NTS'; then
    echo "this chronyd is built without NTS: plain rows only" >&2
    nts=no
fi
[[ "$nts" == yes ]] || nts_port=""

if [[ -z "$cli" ]]; then
    build="$(newest_measurable_build brisvander-cli)"
    if [[ -z "$build" ]]; then
        build="$repo_dir/build-bench"
        echo "building brisvander-cli in $build" >&2
        cmake -S "$repo_dir" -B "$build" -G Ninja -DBRISVANDER_BUILD_GUI=OFF -DBRISVANDER_BUILD_TESTS=OFF >&2
        nice -n 5 cmake --build "$build" -j2 --target brisvander-cli >&2
    fi
    cli="$build/bin/brisvander-cli"
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

# A CA that lives as long as this run, and the server's certificate for "localhost" from it.
make_nts_credentials() {
    local dir="$1"
    mkdir -p "$dir"
    {
        openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
            -subj "/CN=Brisvander benchmark CA" -addext "basicConstraints=critical,CA:TRUE" \
            -addext "keyUsage=critical,keyCertSign" -keyout "$dir/ca-key.pem" -out "$dir/ca.pem" &&
            openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=localhost \
                -keyout "$dir/key.pem" -out "$dir/request.pem" &&
            openssl x509 -req -in "$dir/request.pem" -CA "$dir/ca.pem" -CAkey "$dir/ca-key.pem" \
                -set_serial "0x$(openssl rand -hex 8)" -days 2 -out "$dir/cert.pem" \
                -extfile <(printf '%s\n' "subjectAltName=DNS:localhost,IP:127.0.0.1" \
                    "basicConstraints=critical,CA:FALSE" "extendedKeyUsage=serverAuth") &&
            openssl verify -CAfile "$dir/ca.pem" "$dir/cert.pem"
    } >"$dir/openssl.log" 2>&1 || { echo "openssl could not make the certificates:" >&2; cat "$dir/openssl.log" >&2; exit 1; }
}

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
nts_options=()
if [[ "$nts" == yes ]]; then
    [[ -n "$nts_port" ]] || nts_port="$("$python" "$helper" free-port --tcp)"
    make_nts_credentials "$work/nts"
    mkdir -p "$work/nts/dump"
    # bindaddress ::1: without it the key exchange listens on every IPv6 address.
    cat >> "$work/server.conf" <<EOF
bindaddress ::1
ntsport $nts_port
ntsservercert $work/nts/cert.pem
ntsserverkey $work/nts/key.pem
ntsdumpdir $work/nts/dump
EOF
    nts_options=(--nts-port "$nts_port" --nts-ca "$work/nts/ca.pem")
fi

"${on_cpu[@]}" "$chronyd" -x -d "${chrony_user[@]}" -f "$work/server.conf" >"$work/server.log" 2>&1 &
server_pid=$!
if ! "$python" "$helper" wait-ready "$port" 10 ${nts_port:+--nts-port "$nts_port"}; then
    echo "chronyd did not answer on 127.0.0.1:$port${nts_port:+ (NTS key exchange: TCP $nts_port)} within 10 s; its log:" >&2
    cat "$work/server.log" >&2
    exit 1
fi

cache="$(dirname "$(dirname "$cli")")/CMakeCache.txt"
build_type="$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$cache" 2>/dev/null || true)"
echo "brisvander-cli: $cli${build_type:+ ($build_type)}"
echo "server: $("$chronyd" --version | head -n 1 | cut -d' ' -f1-4) on 127.0.0.1:$port (-x, local stratum 3)"
[[ -z "$nts_port" ]] || echo "NTS: key exchange on TCP 127.0.0.1:$nts_port, certificate for localhost from a CA made for this run"
echo "queries per client: $queries, each a fresh process; one warm-up each, not counted"
[[ -z "$cpu" ]] || echo "server and clients on CPU $cpu alone"
echo
# In the background so that a signal reaches the trap at once, not after the whole measurement.
"${on_cpu[@]}" "$python" "$helper" measure --port "$port" --cli "$cli" --work "$work" --queries "$queries" --chronyd "$chronyd" \
    "${nts_options[@]}" &
measure_pid=$!
wait "$measure_pid"
