#!/bin/bash
# The window during a query to a silent server, under Xvfb without backing
# store (so a covered window shows only what it repaints itself):
# Autostart on, the stored host 127.0.0.77 answers nothing. Prints when the
# window is mapped, covers it with xlogo at 0.6 s, uncovers it at 1.1 s,
# takes responsive-2s.png at 2 s and responsive-after-timeout.png at 6.5 s,
# then ends the program with Datei > Beenden during a second query and
# prints how long that took.
#
#   docs/screenshots/check-responsive.sh BUILD_DIR [OUTPUT_DIR]
#
# Needs Debian's xvfb, x11-utils, x11-apps (xlogo), xdotool and imagemagick,
# and root for the stand-in server's port 123. Display :96 must be free.
set -eu
build=${1:?build directory}
here=$(cd "$(dirname "$0")" && pwd)
out=${2:-$here}
config=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$config"' EXIT

python3 "$here/loopback-sntp.py" 127.0.0.77 silent 60 &
Xvfb :96 -screen 0 1024x768x24 -nolisten tcp -bs &
sleep 1
export DISPLAY=:96 XDG_CONFIG_HOME=$config
mkdir -p "$config/Quillmade"
printf '[Settings]\nHost=127.0.0.77\nAutostart=1\n' > "$config/Quillmade/Brisvander.conf"

ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
wait_until() { while [ "$(ms_since "$1")" -lt "$2" ]; do sleep 0.01; done; }

start=$(date +%s%N)
"$build/bin/brisvander" 2>/dev/null &
app=$!
for _ in $(seq 1 300); do xwininfo -name Brisvander 2>/dev/null | grep -q IsViewable && break; sleep 0.01; done
echo "window mapped $(ms_since "$start") ms after start"
wait_until "$start" 600
xlogo -geometry 480x400+10+10 2>/dev/null &
cover=$!
wait_until "$start" 1100
kill $cover
wait_until "$start" 2000
import -window root -crop 520x440+0+0 "$out/responsive-2s.png"
echo "responsive-2s.png at $(ms_since "$start") ms"
wait_until "$start" 6500
import -window root -crop 520x440+0+0 "$out/responsive-after-timeout.png"
echo "responsive-after-timeout.png at $(ms_since "$start") ms"

# A second query (Abgleichen, Alt+Z A), then Beenden (Alt+D B) a second into it.
window=$(xdotool search --name '^Brisvander$' | head -1)
xdotool windowfocus --sync "$window"
xdotool key alt+z a
sleep 1
asked=$(date +%s%N)
xdotool key alt+d b
status=0
wait $app || status=$?
echo "ended with status $status, $(ms_since "$asked") ms after Beenden was chosen during the query"
cat "$config/Quillmade/Brisvander.conf"
