#!/bin/bash
# Takes the screenshots in this folder from the built program under Xvfb:
# the main window (with an Info report from a stand-in server on 127.0.0.78,
# and with the pointer on the Abgleichen button),
# the Autostart dialog and the About box, at 100 % and at 200 % scaling
# (QT_SCALE_FACTOR=2), and the whole of a 1366 x 768 screen at 200 % with
# the main window on it (room left for a title bar). Then the Verlauf and
# Alle Server prüfen windows at 100 % and 200 %, from brisvander_windows_show
# (built with the tests): the program over a made-up history of three days
# (a clock 12 ppm fast, set right once) and with a survey of eight loopback
# servers, two of them wrong and one silent.
#
#   docs/screenshots/take-screenshots.sh BUILD_DIR [windows]
#
# "windows" takes only the two windows' screenshots. Needs Debian's xvfb,
# x11-utils, xdotool and imagemagick (import), and root for the stand-in
# server's port 123. Display numbers :97, :98 and :99 must be free.
set -eu
build=${1:?build directory}
only=${2:-all}
here=$(cd "$(dirname "$0")" && pwd)
program=$build/bin/brisvander
config=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$config"' EXIT

if [ "$only" = all ]; then
    python3 "$here/loopback-sntp.py" 127.0.0.78 answer 300 &
    Xvfb :97 -screen 0 1920x1080x24 -nolisten tcp &
    Xvfb :98 -screen 0 1366x768x24 -nolisten tcp &
fi
# Room for the two windows at 200 %.
Xvfb :99 -screen 0 2400x1600x24 -nolisten tcp &
sleep 1

window_of() { # title; waits until it is mapped
    for _ in $(seq 1 300); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.02
    done
    echo "no window '$1'" >&2
    return 1
}

shoot() { # window id, file
    sleep 0.6 # let it paint
    import -window "$1" "$here/$2"
    echo "$2: $(identify -format '%wx%h' "$here/$2")"
}

# scale, display, file suffix
session() {
    local scale=$1 display=$2 suffix=$3
    export DISPLAY=$display QT_SCALE_FACTOR=$scale XDG_CONFIG_HOME=$config
    mkdir -p "$config/Quillmade"
    printf '[Settings]\nHost=127.0.0.78\nAutostart=0\n' > "$config/Quillmade/Brisvander.conf"
    "$program" 2>/dev/null &
    local app=$!
    local main
    main=$(window_of Brisvander)
    xdotool windowfocus --sync "$main"
    xdotool key alt+z i # Zeitserver > Info
    sleep 1
    if [ "$display" = ":98" ]; then
        shoot root "main-window-$suffix.png" # the whole screen: the window fits it
    else
        shoot "$main" "main-window-$suffix.png"
    fi

    if [ "$display" = ":97" ]; then
        # The pointer on the Abgleichen button: its prompt in the status bar.
        xdotool mousemove --window "$main" $((82 * scale)) $((34 * scale))
        shoot "$main" "status-prompt-$suffix.png"
        xdotool mousemove --window "$main" $((250 * scale)) $((300 * scale))

        xdotool key alt+o a # Optionen > Autostart ...
        local dialog
        dialog=$(window_of Autostart)
        shoot "$dialog" "autostart-$suffix.png"
        xdotool key Escape
        sleep 0.3
        xdotool windowfocus --sync "$main"
        xdotool key alt+question o # ? > Info über Brisvander...
        dialog=$(window_of "Info über Brisvander")
        sleep 1.5 # a few lines of credits up
        shoot "$dialog" "about-$suffix.png"
        xdotool key Escape
        sleep 0.3
    fi
    kill "$app"
    wait "$app" 2>/dev/null || true
}

# scale, file suffix
windows_session() {
    local scale=$1 suffix=$2
    local state
    state=$(mktemp -d)
    export DISPLAY=:99 QT_SCALE_FACTOR=$scale XDG_CONFIG_HOME=$config XDG_STATE_HOME=$state
    mkdir -p "$config/Quillmade"
    printf '[Settings]\nHost=127.0.5.1\nAutostart=0\n' > "$config/Quillmade/Brisvander.conf"
    "$build/bin/brisvander_windows_show" 2>/dev/null &
    local app=$!
    local main window
    main=$(window_of Brisvander)
    xdotool windowfocus --sync "$main"
    xdotool key alt+a v # Ansicht > Verlauf
    window=$(window_of "Verlauf – Brisvander")
    sleep 1
    shoot "$window" "history-window-$suffix.png"
    xdotool windowfocus --sync "$main"
    xdotool key alt+z p # Zeitserver > Alle Server prüfen...
    window=$(window_of "Alle Server prüfen – Brisvander")
    sleep 6 # the silent server's five seconds
    shoot "$window" "survey-window-$suffix.png"
    kill "$app"
    wait "$app" 2>/dev/null || true
    rm -rf "$state"
}

if [ "$only" = all ]; then
    session 1 :97 100
    session 2 :97 200
    session 2 :98 200-on-1366x768
fi
windows_session 1 100
windows_session 2 200
