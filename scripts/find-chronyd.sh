#!/usr/bin/env bash
# Prints the chronyd that the tests and the benchmark run: BRISVANDER_CHRONYD,
# else the one scripts/fetch-chrony.sh unpacked into BUILD-DIR/test-tools, else
# the system's. Fails with the way to get one.
# Usage: scripts/find-chronyd.sh BUILD-DIR
set -euo pipefail
build=${1:?usage: $0 BUILD-DIR}
if [ -n "${BRISVANDER_CHRONYD:-}" ]; then
    [ -x "$BRISVANDER_CHRONYD" ] || { echo "BRISVANDER_CHRONYD is not an executable: $BRISVANDER_CHRONYD" >&2; exit 1; }
    echo "$BRISVANDER_CHRONYD"
    exit 0
fi
for candidate in "$build/test-tools/chrony/usr/sbin/chronyd" "$(command -v chronyd || true)" \
    /usr/sbin/chronyd /sbin/chronyd /usr/local/sbin/chronyd; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
        echo "$candidate"
        exit 0
    fi
done
echo "no chronyd: scripts/fetch-chrony.sh $build/test-tools/chrony unpacks Debian's (./test.sh does)" >&2
exit 1
