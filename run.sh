#!/usr/bin/env bash
# Installs what is missing, builds, and starts Brisvander.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup.sh" "$here/build" -DBRISVANDER_BUILD_TESTS=OFF
if [ -x "$here/build/bin/brisvander" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$here/build/bin/brisvander" "$@"
fi
[ -x "$here/build/bin/brisvander" ] && echo "No display available: running brisvander-cli info instead."
exec "$here/build/bin/brisvander-cli" info "$@"
