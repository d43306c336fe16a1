#!/bin/sh
# Runs one test program so that no slip can reach the machine's clock: the
# clock right (CAP_SYS_TIME) is taken out of the bounding set, so neither the
# test nor anything it starts can hold it, and the system bus is a socket
# that does not exist, so no test can ask the desktop's time service (which
# would say yes to root without a question). A test that needs a bus starts
# a private one and points its programs at it.
if [ "${1:-}" != "--dropped" ]; then
    DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/brisvander-tests-have-no-system-bus
    export DBUS_SYSTEM_BUS_ADDRESS
    if setpriv --bounding-set -sys_time true 2>/dev/null; then
        exec setpriv --bounding-set -sys_time -- "$0" --dropped "$@"
    fi
    exec "$0" --dropped "$@"
fi
shift

# Whether CAP_SYS_TIME (bit 25) is in the named capability set of this shell.
has_clock_right() {
    bits=$(sed -n "s/^Cap$1:[[:space:]]*//p" /proc/self/status)
    [ $(( 0x$bits >> 25 & 1 )) -ne 0 ]
}

has_clock_right Bnd || exec "$@"
# An ordinary account cannot shrink its bounding set. It must hold the right
# in no set, and no program it starts may gain it from file capabilities.
for set in Prm Eff Inh Amb; do
    if has_clock_right $set; then
        echo "without-clock-right: this process holds CAP_SYS_TIME and cannot drop it; not running $1" >&2
        exit 1
    fi
done
exec setpriv --no-new-privs -- "$@"
