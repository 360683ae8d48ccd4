#!/usr/bin/env bash
# Idle CPU of the whole program: starts it on a private Xvfb display, lets it
# settle, then reads the CPU time of all its threads over a measuring window
# while the cursor tracking waits for motion (with its slow poll). Target: at
# most 0.05% of one core. The X server's own time (it answers the poll's
# pointer queries) is reported beside it.
#
#   benchmarks/editor/idle_cpu.sh [program] [seconds]
#   default program build/src/app/tessaline, default 20 seconds
# With TESS_BENCH_DISPLAY set (":N") the program runs on that X server
# instead of a private one; TESS_BENCH_XVFB_PID names the server's process
# for its own share.
set -euo pipefail

program=${1:-build/src/app/tessaline}
seconds=${2:-20}
settle=3

if [[ ! -x $program ]]; then
    echo "idle_cpu: no program at $program (build the tessaline target first)" >&2
    exit 2
fi
command -v Xvfb >/dev/null || { echo "idle_cpu: Xvfb is not installed" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    local rc=$?
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT

server_pid=
if [[ -n ${TESS_BENCH_DISPLAY:-} ]]; then
    display=$TESS_BENCH_DISPLAY
    server_pid=${TESS_BENCH_XVFB_PID:-}
else
    # Xvfb picks a free display number and writes it to the given descriptor.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    server_pid=$xvfb_pid
    for _ in $(seq 100); do
        [[ -s $work/display ]] && break
        sleep 0.05
    done
    [[ -s $work/display ]] || { echo "idle_cpu: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
    display=":$(head -n1 "$work/display")"
fi

# A private settings directory, so the run leaves the user's placement alone.
mkdir -p "$work/config"
DISPLAY=$display XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb \
    "$program" >"$work/app.log" 2>&1 &
app_pid=$!
sleep "$settle"
kill -0 "$app_pid" 2>/dev/null || { echo "idle_cpu: the program exited" >&2; cat "$work/app.log" >&2; exit 1; }

# CPU time of every thread of the process in nanoseconds (the first field
# of each thread's schedstat): clock ticks of 10 ms are too coarse for an
# idle program.
ticks() {
    [[ -n $1 && -d /proc/$1/task ]] || { echo -1; return; }
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'
}
hz=1000000000

app0=$(ticks "$app_pid"); x0=$(ticks "$server_pid"); t0=$(date +%s.%N)
sleep "$seconds"
app1=$(ticks "$app_pid"); x1=$(ticks "$server_pid"); t1=$(date +%s.%N)

status=0
awk -v a0="$app0" -v a1="$app1" -v x0="$x0" -v x1="$x1" -v t0="$t0" -v t1="$t1" -v hz="$hz" '
BEGIN {
    wall = t1 - t0
    app = (a1 - a0) / hz; xs = (x1 - x0) / hz
    printf "measured %.1f s of wall time\n", wall
    printf "program:  %.4f s CPU = %.3f%% of one core\n", app, 100 * app / wall
    if (x0 >= 0 && x1 >= 0)
        printf "X server: %.4f s CPU = %.3f%% of one core\n", xs, 100 * xs / wall
    exit (100 * app / wall <= 0.05) ? 0 : 1
}' || status=$?
exit "$status"
