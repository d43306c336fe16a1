#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test:
#   the fuzzers for a minute each, the whole suite under AddressSanitizer and
#   UndefinedBehaviorSanitizer, the Debian package installed for real (on CI,
#   or with BRISVANDER_PACKAGE_TEST=1, as root), then the whole suite.
# ./test.sh --quick runs only the whole suite on the normal build.
# Builds into build-test/ (build-fuzz/ and build-asan/ for those steps). The
# machine's time service and /etc stay as they are: chronyd is unpacked from
# Debian's package and the German locale built, both into <build>/test-tools.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build="$here/build-test"
quick=0
if [ "${1:-}" = "--quick" ]; then quick=1; shift; fi

"$here/scripts/setup.sh" test "$build" -DBRISVANDER_BUILD_TESTS=ON -DBRISVANDER_SANITIZE=OFF

# Tests keep their settings to themselves.
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT

if [ "$quick" -eq 0 ]; then
    echo "== fuzzing the reply and NTS parsers, 60 s each"
    "$here/fuzz/run-fuzz.sh" 60

    echo "== the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer"
    "$here/scripts/setup.sh" test "$here/build-asan" -DBRISVANDER_BUILD_TESTS=ON -DBRISVANDER_SANITIZE=ON \
        -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir "$here/build-asan" --output-on-failure -j2 "$@"

    if [ "$(id -u)" -eq 0 ] && { [ "${CI:-}" = "true" ] || [ "${BRISVANDER_PACKAGE_TEST:-0}" = "1" ]; }; then
        echo "== the Debian package, installed and removed for real"
        (cd "$build" && cpack -G DEB >/dev/null)
        "$here/tests/packaging/package-test.sh" "$build"
    fi
fi

echo "== the whole suite"
ctest --test-dir "$build" --output-on-failure -j2 "$@"
