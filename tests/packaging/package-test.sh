#!/usr/bin/env bash
# Installs the built Debian package on this machine, uses it as a normal
# user (nobody, with a home of its own in a temporary directory) against a
# local chronyd on port 123, and removes it again. chronyd is the one the test
# set-up unpacked into the build tree (scripts/find-chronyd.sh), so no time
# service is installed; no account is added.
# Needs root. The real clock is set once, by sync with an administrator's
# explicit grant, only when the measured offset is far below a millisecond,
# and the step is checked afterwards. No program here reaches the machine's
# system bus: each is pointed at a socket that does not exist, or at a
# private bus with a timedated double on it.
# Usage: tests/packaging/package-test.sh <build-dir-with-the-package-built>
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD-DIR}" && pwd)
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
user=nobody
fail() { echo "package test: FAILED: $*" >&2; exit 1; }
step() { echo "package test: $*"; }

[ "$(id -u)" -eq 0 ] || { echo "package test: skipped (needs root)"; exit 0; }
deb=$(ls -t "$(cd "$build" && pwd)"/brisvander_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package in $build (run cpack -G DEB there)"

chronyd=$("$scripts/find-chronyd.sh" "$build") || fail "no chronyd"
work=$(mktemp -d)
chmod 755 "$work"
home="$work/home"
mkdir -p "$home/.config"
chown -R "$user:" "$home"
chronyd_pid=
bus_pid=
double_pid=
gui_pid=
gui_process=
stop() { [ -n "$1" ] && kill "$1" 2>/dev/null && wait "$1" 2>/dev/null || true; }
cleanup() {
    stop "$gui_process"
    stop "$gui_pid"
    stop "$double_pid"
    stop "$bus_pid"
    stop "$chronyd_pid"
    rm -rf "$work"
}
trap cleanup EXIT

# Clock step guard: the distance between the real and the monotonic clock
# moves only when someone sets the real clock.
# A pause between the two readings only makes the gap smaller, so the largest of many is the true one.
clock_gap() { python3 -c 'import time; print(max(time.clock_gettime(time.CLOCK_REALTIME) - time.clock_gettime(time.CLOCK_MONOTONIC) for _ in range(200)))'; }
as_user() { runuser -u "$user" -- env HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    DBUS_SYSTEM_BUS_ADDRESS="${bus_address:-unix:path=$work/no-bus-here}" "$@"; }
without_clock_right=$(cd "$(dirname "$0")/../support" && pwd)/without-clock-right.sh
# Bit 25 of a process's permitted set: CAP_SYS_TIME.
holds_clock_right() { [ $(( 0x$(sed -n 's/^CapPrm:[[:space:]]*//p' "/proc/$1/status") >> 25 & 1 )) -ne 0 ]; }

step "installing $deb (twice: a second install must be harmless)"
apt-get install -y -qq "$deb" >/dev/null || fail "apt-get install"
apt-get install -y -qq --reinstall "$deb" >/dev/null || fail "second install"
no_capabilities() {
    for program in /usr/bin/brisvander /usr/bin/brisvander-cli; do
        [ -z "$(getcap "$program")" ] || fail "$program carries a capability $1: $(getcap "$program")"
    done
}
no_capabilities "after installation"
# The grant of version 1.1, as an upgrade from it may leave it: the post-install step takes it away.
setcap cap_sys_time+p /usr/bin/brisvander
setcap cap_sys_time+p /usr/bin/brisvander-cli
/var/lib/dpkg/info/brisvander.postinst configure 1.1 || fail "post-install step"
no_capabilities "after the post-install step"
[ -r /usr/share/brisvander/brisvander.html ] || fail "manual not installed"
[ -r /usr/share/doc/brisvander/examples/50-brisvander-set-time.rules ] || fail "polkit example not installed"


step "starting $chronyd on 127.0.0.1:123"
cat > "$work/chrony.conf" <<CONF
port 123
bindaddress 127.0.0.1
allow 127.0.0.1
local stratum 3
cmdport 0
bindcmdaddress /
pidfile $work/chronyd.pid
driftfile $work/drift
CONF
# The account chronyd drops to comes with the installed package; an unpacked one stays root.
chronyd_user=()
id _chrony >/dev/null 2>&1 || chronyd_user=(-u root)
"$chronyd" -x -d "${chronyd_user[@]}" -f "$work/chrony.conf" >"$work/chronyd.log" 2>&1 &
chronyd_pid=$!
for _ in $(seq 50); do
    as_user brisvander-cli info 127.0.0.1 >/dev/null 2>&1 && break
    sleep 0.1
done

step "info as $user"
as_user brisvander-cli info 127.0.0.1 >"$work/info.txt" || fail "info exited $? : $(cat "$work/info.txt")"
grep -q "^Differenz zur Lokalzeit:" "$work/info.txt" || fail "no offset line: $(cat "$work/info.txt")"

step "sync as $user, with an administrator's explicit grant (the capability path)"
setcap cap_sys_time+p /usr/bin/brisvander-cli
offset=$(as_user brisvander-cli info 127.0.0.1 --json | python3 -c 'import json,sys; print(json.load(sys.stdin)["clock_offset"])')
python3 -c "import sys; sys.exit(0 if abs($offset) < 0.0005 else 1)" || fail "offset $offset s is too large to set the real clock safely"
before=$(clock_gap)
status=0
as_user brisvander-cli sync 127.0.0.1 --json >"$work/sync.json" || status=$?
after=$(clock_gap)
python3 - "$before" "$after" "$work/sync.json" <<'PY' || fail "the real clock moved by a millisecond or more"
import json, sys
step = float(sys.argv[2]) - float(sys.argv[1])
result = json.load(open(sys.argv[3]))
print(f"package test: measured offset {result['clock_offset'] * 1e6:.1f} us, the real clock moved by {step * 1e6:.1f} us")
sys.exit(0 if abs(step) < 0.001 else 1)
PY
[ "$status" -eq 0 ] || fail "sync with the right exited $status: $(cat "$work/sync.json")"
grep -q '"clock_set":true' "$work/sync.json" || fail "clock not set: $(cat "$work/sync.json")"
as_user brisvander-cli info 127.0.0.1 >/dev/null   # the text form of sync is covered without the right below

step "sync as $user, without the right and without a time service"
setcap -r /usr/bin/brisvander-cli
status=0
as_user brisvander-cli sync 127.0.0.1 >"$work/sync2.txt" || status=$?
[ "$status" -eq 2 ] || fail "sync without the right exited $status"
grep -q "Fehler beim setzen der lokalen Rechner Zeit." "$work/sync2.txt" || fail "no failure line"
grep -q "Administratorrechte" "$work/sync2.txt" || fail "no line about administrator rights: $(cat "$work/sync2.txt")"

step "sync as $user, without the right, asking a timedated double on a private bus"
cat > "$work/bus.conf" <<CONF
<busconfig>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
"$without_clock_right" dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=1 >"$work/bus.address" &
bus_pid=$!
for _ in $(seq 50); do [ -s "$work/bus.address" ] && break; sleep 0.1; done
bus_address=$(head -n 1 "$work/bus.address")
[ -n "$bus_address" ] || fail "no private bus"
"$without_clock_right" "$build/bin/timedate1-double" "$bus_address" "$work/calls" ok >"$work/double.out" &
double_pid=$!
for _ in $(seq 50); do grep -q ready "$work/double.out" && break; sleep 0.1; done
grep -q ready "$work/double.out" || fail "the timedated double did not start"
status=0
as_user brisvander-cli sync 127.0.0.1 >"$work/sync3.txt" || status=$?
[ "$status" -eq 0 ] || fail "sync through the double exited $status: $(cat "$work/sync3.txt")"
grep -q "^SetTime xbb -\?[0-9]* true true allow-interactive$" "$work/calls" || fail "the double got no relative, interactive SetTime: $(cat "$work/calls")"
stop "$double_pid"; double_pid=
stop "$bus_pid"; bus_pid=
bus_address=

step "the desktop program gives up a granted right before Qt starts"
setcap cap_sys_time+p /usr/bin/brisvander
as_user env QT_QPA_PLATFORM=offscreen brisvander >"$work/gui.log" 2>&1 &
gui_pid=$!
sleep 3
# The program itself, not the shell or runuser around it.
gui_process=$(pgrep -u "$user" -n -x brisvander) || fail "the desktop program is not running: $(cat "$work/gui.log")"
! holds_clock_right "$gui_process" || fail "the desktop program still holds CAP_SYS_TIME in its permitted set"
kill "$gui_process"; gui_process=
wait "$gui_pid" 2>/dev/null || true; gui_pid=
setcap -r /usr/bin/brisvander

step "unwritable home: the program still reports"
status=0
runuser -u "$user" -- env HOME=/nonexistent XDG_CONFIG_HOME=/proc/brisvander brisvander-cli info 127.0.0.1 >/dev/null || status=$?
[ "$status" -eq 0 ] || fail "info with an unwritable home exited $status"

step "removing (twice)"
apt-get remove --purge -y -qq brisvander >/dev/null || fail "remove"
dpkg --purge brisvander >/dev/null 2>&1 || fail "second remove (dpkg --purge of a removed package)"
for path in /usr/bin/brisvander /usr/bin/brisvander-cli /usr/share/brisvander /usr/share/doc/brisvander \
    /usr/share/applications/brisvander.desktop \
    /usr/share/metainfo/de.quillmade.Brisvander.metainfo.xml /usr/share/man/man1/brisvander-cli.1; do
    [ ! -e "$path" ] || fail "$path is left behind"
done
! find /usr/share/icons/hicolor -name 'brisvander.*' | grep -q . || fail "icons left behind"
dpkg -s brisvander >/dev/null 2>&1 && fail "package still known to dpkg"
step "passed"
