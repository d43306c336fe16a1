#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup.sh" "$here/build" -DBRISVANDER_BUILD_TESTS=ON
# Tests keep their settings to themselves.
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
ctest --test-dir "$here/build" --output-on-failure -j2 "$@"
