#!/usr/bin/env bash
# The set-up of the run and test commands: installs the Debian packages that
# are missing, configures and builds. Never installs a time service and never
# edits system configuration.
# Usage: scripts/setup.sh run|test BUILD-DIR [CMAKE-ARGS...]
#   run   what building and running need
#   test  also the test tools; chronyd and the German locale go into BUILD-DIR/test-tools
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
purpose=${1:-}
build=${2:-}
case "$purpose" in
    run) groups=(build) ;;
    test) groups=(build test) ;;
    *) echo "usage: $0 run|test BUILD-DIR [CMAKE-ARGS...]" >&2; exit 64 ;;
esac
[ -n "$build" ] || { echo "usage: $0 run|test BUILD-DIR [CMAKE-ARGS...]" >&2; exit 64; }
shift 2

"$here/scripts/install-packages.sh" "${groups[@]}"

if [ "$purpose" = test ]; then
    "$here/scripts/fetch-chrony.sh" "$build/test-tools/chrony"
    "$here/scripts/build-test-locale.sh" "$build/test-tools/locale"
fi

# Only warnings and errors: a failed configure shows why.
cmake -S "$here" -B "$build" -G Ninja --log-level=WARNING "$@"
cmake --build "$build" -j"$(nproc)"
