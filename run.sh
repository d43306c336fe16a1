#!/usr/bin/env bash
# Installs what building and running need (nothing for tests, no time service,
# no system configuration), builds into build-run/, and starts Brisvander.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build="$here/build-run"
"$here/scripts/setup.sh" run "$build" -DBRISVANDER_BUILD_TESTS=OFF
if [ -x "$build/bin/brisvander" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/bin/brisvander" "$@"
fi
[ -x "$build/bin/brisvander" ] && echo "No display available: running brisvander-cli info instead."
exec "$build/bin/brisvander-cli" info "$@"
