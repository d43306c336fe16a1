#!/usr/bin/env bash
# Builds the German locale de_DE.UTF-8 that the decimal-point test needs into
# DIR (DIR/de_DE.UTF-8, found through LOCPATH=DIR) when the system lacks it.
# Its sources come from the locales package; where that is not installed, its
# Debian package is downloaded and unpacked into DIR. Neither /etc/locale.gen
# nor the system's locales are touched.
# Usage: scripts/build-test-locale.sh DIR
set -euo pipefail
scripts=$(cd "$(dirname "$0")" && pwd)
. "$scripts/as-root.sh"
. "$scripts/download-package.sh"
dir=${1:?usage: $0 DIR}
name=de_DE.UTF-8

if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "locale $name for the tests: the system's"
    exit 0
fi
if [ -r "$dir/$name/LC_NUMERIC" ]; then
    echo "locale $name for the tests: $dir/$name"
    exit 0
fi

sources=/usr/share/i18n
if [ ! -r "$sources/locales/de_DE" ] || [ ! -r "$sources/charmaps/UTF-8.gz" ]; then
    unpacked="$dir/locales-package"
    if [ ! -r "$unpacked/usr/share/i18n/locales/de_DE" ]; then
        download=$(mktemp -d)
        trap 'rm -rf "$download"' EXIT
        download_package locales "$download"
        rm -rf "$unpacked"
        mkdir -p "$unpacked"
        dpkg-deb -x "$download"/locales_*.deb "$unpacked"
    fi
    sources="$unpacked/usr/share/i18n"
fi

mkdir -p "$dir"
I18NPATH="$sources" localedef -i de_DE -f UTF-8 "$dir/$name"
echo "locale $name for the tests: built into $dir/$name from $sources"
