#!/usr/bin/env bash
# Soak of the main window: plays a repeating scenario at 'Interval 1' for a
# while (60 s by default) on a private Xvfb with the 10 ms cursor tracking
# running, sampling the program's resident memory from /proc. Afterwards it
# checks that no key or pointer button is left down and that the status bar
# is still live: the cursor panel follows a pointer move, and the playback
# panel changed from its running text when Stop was clicked.
#
#   benchmarks/soak/window_soak.sh [tessaline] [seconds] [tolerance-kB]
#   defaults: build/src/app/tessaline, 60, 1024
# Needs Xvfb, xdotool and a C compiler with the X11 headers. With SOAK_SHOTS
# set to a folder, screenshots of the main steps are kept there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-build/src/app/tessaline}
seconds=${2:-60}
tolerance=${3:-1024}
[[ -x $program ]] || { echo "window_soak: no program at $program" >&2; exit 2; }
for tool in Xvfb xdotool cc; do
    command -v $tool >/dev/null || { echo "window_soak: $tool is not installed" >&2; exit 2; }
done

work=$(mktemp -d)
xvfb_pid= app_pid=
cleanup() {
    local rc=$?
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT
cc -O2 -o "$work/xstate" "$here/xstate.c" -lX11

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.05; done
[[ -s $work/display ]] || { echo "window_soak: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# The window at the top left, 400 x 300, so that the clicks (x from 400)
# never land on it and the two status panels have room.
mkdir -p "$work/config/tessaline-0003" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
printf '%s\n' 'Tessaline settings tree 1' '[\Software]' '[\Software\Velmora]' \
    '[\Software\Velmora\Tessaline%200003]' 'height=4:2C010000' 'left=4:00000000' \
    'top=4:00000000' 'width=4:90010000' >"$work/config/tessaline-0003/settings-tree"
XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime \
    QT_QPA_PLATFORM=xcb "$program" >"$work/app.log" 2>&1 &
app_pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Tessaline 0003$' | head -n1)
focus() { xdotool windowfocus --sync "$window"; }
shot() { [[ -z ${SOAK_SHOTS:-} ]] || import -window root -crop 420x320+0+0 "$SOAK_SHOTS/$1.png"; }

# Load the scenario through "Open scenario", turn Repeat on through the Run
# menu, and run from the first line.
focus; xdotool key ctrl+o; sleep 1
xdotool type --delay 2 "$here/window_loop.sf"; xdotool key Return; sleep 0.5
focus; xdotool key alt+f Right Down Return; sleep 0.3
focus; xdotool key Home F9

rss() { awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status"; }
status_y=$((300 - 16))
panel() { "$work/xstate" sum "$1" "$status_y" "$2" 12; }
sleep 2
running_panel=$(panel 200 180)
shot 1-running
start=$(date +%s)
: >"$work/rss"
while (( $(date +%s) - start < seconds )); do
    kill -0 "$app_pid" 2>/dev/null || { echo "window_soak: the program died" >&2; cat "$work/app.log" >&2; exit 1; }
    rss >>"$work/rss"
    sleep 1
done
p1=$(xdotool getmouselocation); sleep 0.2; p2=$(xdotool getmouselocation)
still_running=no; [[ $p1 != "$p2" ]] && still_running=yes
[[ $(panel 200 180) == "$running_panel" ]] && panel_same=yes || panel_same=no

# Stop: the square button at the right end of the button bar.
# Each check below gives a busy program up to 5 s to show the change.
until_panel() {  # until_panel x width =|!= checksum
    for _ in $(seq 50); do
        local now; now=$(panel "$1" "$2")
        if [[ $3 == "=" ]]; then [[ $now == "$4" ]] && return 0; else [[ $now != "$4" ]] && return 0; fi
        sleep 0.1
    done
    return 1
}
xdotool mousemove 392 $((300 - 22 - 12)) click 1
until_panel 200 180 '!=' "$running_panel" && panel_changed=yes || panel_changed=no
held=$("$work/xstate" held)
shot 2-stopped

# The cursor panel follows the pointer.
xdotool mousemove 300 400; sleep 0.5; a=$(panel 0 150)
follows=no
xdotool mousemove 301 400
if until_panel 0 150 '!=' "$a"; then
    shot 3-moved
    xdotool mousemove 300 400
    until_panel 0 150 '=' "$a" && follows=yes
fi

awk -v tol="$tolerance" -v secs="$seconds" '{ s[NR] = $1 }
END {
    n = NR; half = int(n / 2)
    for (i = 1; i <= n; i++) if (i <= half) { if (s[i] > a) a = s[i] } else if (s[i] > b) b = s[i]
    printf "played %d s at Interval 1; RSS samples: %d, first %d kB, middle %d kB, last %d kB\n", secs, n, s[1], s[half], s[n]
    printf "largest first half %d kB, largest second half %d kB, growth %d kB (tolerance %d kB)\n", a, b, b - a, tol
    exit (b - a > tol)
}' "$work/rss" && memory=flat || memory=GROWING
echo "memory: $memory"
echo "still playing after ${seconds} s: $still_running; playback panel unchanged while running: $panel_same"
echo "playback panel changed on Stop: $panel_changed"
echo "held after Stop: $held"
echo "cursor panel follows the pointer: $follows"
[[ $memory == flat && $still_running == yes && $panel_same == yes && $panel_changed == yes &&
   $held == "keys 0 buttons 0" && $follows == yes ]]
