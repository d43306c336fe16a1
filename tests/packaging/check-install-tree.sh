#!/usr/bin/env bash
# Installs the build into a temporary root and compares the file list with
# what the installed programs and the desktop expect to find.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
actual=$(cd "$root" && find . -type f | sed 's|^\./|/|' | sort)
expected="/usr/bin/brisvander
/usr/bin/brisvander-cli
/usr/share/applications/brisvander.desktop
/usr/share/brisvander/brisvander.html
/usr/share/brisvander/history-window-100.png
/usr/share/brisvander/history-window-200.png
/usr/share/brisvander/survey-window-100.png
/usr/share/brisvander/survey-window-200.png
/usr/share/doc/brisvander/examples/50-brisvander-set-time.rules
/usr/share/icons/hicolor/128x128/apps/brisvander.png
/usr/share/icons/hicolor/16x16/apps/brisvander.png
/usr/share/icons/hicolor/32x32/apps/brisvander.png
/usr/share/icons/hicolor/48x48/apps/brisvander.png
/usr/share/icons/hicolor/scalable/apps/brisvander.svg
/usr/share/man/man1/brisvander-cli.1
/usr/share/metainfo/de.quillmade.Brisvander.metainfo.xml"
if [ "$actual" != "$expected" ]; then
    echo "installed files differ from the expected list:"
    diff <(echo "$expected") <(echo "$actual") || true
    exit 1
fi
# The installed program must find its manual: <prefix>/bin/../share/brisvander/.
[ -r "$root/usr/bin/../share/brisvander/brisvander.html" ]
for size in 16 32 48 128; do
    file "$root/usr/share/icons/hicolor/${size}x${size}/apps/brisvander.png" | grep -q "$size x $size"
done
echo "install tree as expected: $(echo "$actual" | wc -l) files"
