#!/usr/bin/env bash
# Gives the tests and the benchmark a chronyd without installing a time
# service: where the chrony package is not installed, Debian's package is
# downloaded and unpacked into DIR (DIR/usr/sbin/chronyd); nothing of it is
# installed or started. Shared libraries that the unpacked chronyd lacks are
# installed (libraries only). Where chrony is installed, the system's chronyd
# is used and DIR is removed.
# Usage: scripts/fetch-chrony.sh DIR
set -euo pipefail
scripts=$(cd "$(dirname "$0")" && pwd)
. "$scripts/as-root.sh"
. "$scripts/download-package.sh"
dir=${1:?usage: $0 DIR}
chronyd="$dir/usr/sbin/chronyd"

if dpkg-query -W -f='${Status}' chrony 2>/dev/null | grep -q "install ok installed"; then
    rm -rf "$dir"
    echo "chronyd for the tests: the system's (chrony is installed)"
    exit 0
fi

missing_libraries() { ldd "$chronyd" 2>/dev/null | awk '/not found/ { print $1 }'; }

if [ ! -x "$chronyd" ] || [ -n "$(missing_libraries)" ]; then
    download=$(mktemp -d)
    trap 'rm -rf "$download"' EXIT
    download_package chrony "$download"
    deb=$(ls "$download"/chrony_*.deb)
    rm -rf "$dir"
    mkdir -p "$dir"
    dpkg-deb -x "$deb" "$dir"

    lacking=$(missing_libraries)
    if [ -n "$lacking" ]; then
        # The package's own library dependencies, those not installed yet.
        libraries=()
        for pkg in $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (:].*//' | grep '^lib'); do
            dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || libraries+=("$pkg")
        done
        if [ ${#libraries[@]} -eq 0 ]; then
            echo "the unpacked chronyd lacks $(echo $lacking), yet chrony's library packages are all installed" >&2
            exit 1
        fi
        echo "The unpacked chronyd lacks $(echo $lacking): installing its library packages ${libraries[*]} (libraries, no service)"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${libraries[@]}"
        lacking=$(missing_libraries)
        [ -z "$lacking" ] || { echo "the unpacked chronyd still lacks $(echo $lacking)" >&2; exit 1; }
    fi
fi
echo "chronyd for the tests: $chronyd ($("$chronyd" --version | cut -d' ' -f1-4), unpacked, not installed)"
