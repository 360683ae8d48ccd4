#!/usr/bin/env bash
# Under Wine (not Windows: for regressions only): the deployed window
# program's start-up to its main window shown (median of 3, a fresh
# prefix made once, a private Xvfb) and the CPU of its process while idle
# with the cursor tracking on. Prints
#   startup_ms MEDIAN LOW HIGH
#   idle_cpu_percent PERCENT
# Usage: wine_window.sh DIST SECONDS
set -euo pipefail
dist=$(cd "$1" && pwd)
seconds=${2:-10}
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM
xvfb_pid=""
stop() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap stop EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")
wineboot -i </dev/null >/dev/null 2>&1
wineserver -p 2>/dev/null || true  # kept running between the starts, as on a logged-in desktop

shown() { xdotool search --onlyvisible --name '^Tessaline 0003$' >/dev/null 2>&1; }
starts=()
for i in 1 2 3; do
  t0=$(date +%s%N)
  wine "$dist/tessaline.exe" </dev/null >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 3000); do shown && break; sleep 0.01; done
  shown || { echo "wine_window: no window at start $i" >&2; exit 1; }
  starts+=($(( ($(date +%s%N) - t0) / 1000000 )))
  if [ "$i" -lt 3 ]; then
    kill "$pid"  # the program itself: wine becomes it
    wait "$pid" 2>/dev/null || true
    for _ in $(seq 300); do shown || break; sleep 0.01; done
  fi
done
printf '%s\n' "${starts[@]}" | sort -g | awk '{ v[NR] = $1 } END { print "startup_ms", v[2], v[1], v[3] }'

# The program's process, as its window names it.
exe=$(xdotool search --onlyvisible --name '^Tessaline 0003$' getwindowpid 2>/dev/null | head -n 1 || true)
[ -n "$exe" ] && [ -r "/proc/$exe/stat" ] || { echo "wine_window: the program's process is gone" >&2; exit 1; }
ticks() { awk '{ print $14 + $15 }' "/proc/$exe/stat"; }
sleep 2
before=$(ticks)
sleep "$seconds"
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "idle_cpu_percent %.2f\n", 100 * t / hz / s }'
