#!/usr/bin/env bash
# Installs the Debian packages of the named groups that are missing, after
# saying which ones and why. Packages only: no system configuration is touched.
# Usage: scripts/install-packages.sh GROUP...   (build, test, bench: scripts/packages-GROUP.txt)
set -euo pipefail
scripts=$(cd "$(dirname "$0")" && pwd)
. "$scripts/as-root.sh"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for group in "$@"; do
    list="$scripts/packages-$group.txt"
    [ -r "$list" ] || { echo "no package group $group ($list)" >&2; exit 64; }
    why=$(sed -n 's/^# *\(for .*\)$/\1/p' "$list" | head -n 1)
    group_missing=()
    while read -r pkg; do
        installed "$pkg" || group_missing+=("$pkg")
    done < <(sed -e 's/#.*//' -e 's/[[:space:]]*$//' -e '/^[[:space:]]*$/d' "$list")
    [ ${#group_missing[@]} -gt 0 ] || continue
    [ ${#missing[@]} -gt 0 ] || echo "Installing Debian packages that are missing:"
    echo "  ${why:-for $group}: ${group_missing[*]}"
    missing+=("${group_missing[@]}")
done
[ ${#missing[@]} -gt 0 ] || exit 0

as_root apt-get update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
