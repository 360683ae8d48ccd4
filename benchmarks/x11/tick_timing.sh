#!/usr/bin/env bash
# Tick timing on one private Xvfb: 'Interval N' and a run of 'Click ' lines
# played by tessaline-play, by the main window (x11_window_player) and by
# xdotool click --delay N, at N = 1, 10 and 100 ms. An XInput2 raw-event
# listener times every press as it arrives and prints, per run:
#   <who> <interval> <presses> <median> <p99> <max error> <longest stall> <drift>  (ms)
# Usage: benchmarks/x11/tick_timing.sh [BUILD_DIR]; the number of clicks per
# interval from $TICKS ("1:2000 10:2000 100:200"). With TESS_BENCH_DISPLAY
# set (":N", an Xvfb nobody else uses) it clicks there.
set -euo pipefail
build=${1:-build}
ticks=${TICKS:-"1:2000 10:2000 100:200"}
play=$build/src/app/play/tessaline-play
window=$build/benchmarks/x11/x11_window_player
listener=$build/benchmarks/x11/x11_tick_listener
for tool in "$play" "$window" "$listener"; do
  [ -x "$tool" ] || { echo "tick_timing: $tool is not built" >&2; exit 2; }
done
command -v xdotool >/dev/null || { echo "tick_timing: xdotool is not installed" >&2; exit 2; }

tmp=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "${listener_pid:-}" ]; then
    exec {LISTENER[1]}>&- 2>/dev/null || true
    wait "$listener_pid" 2>/dev/null || true
  fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

. "$(dirname "$0")/../lib/xvfb.sh"
use_display "$tmp"
export XDG_CONFIG_HOME=$tmp/config QT_QPA_PLATFORM=xcb

coproc LISTENER { "$listener"; }
listener_pid=$LISTENER_PID
read -r ready <&"${LISTENER[0]}"
[ "$ready" = ready ] || { echo "tick_timing: the listener did not start" >&2; exit 2; }

# measure WHO INTERVAL COMMAND...: runs the command, then asks the listener.
measure() {
  local who=$1 interval=$2
  shift 2
  "$@" >/dev/null 2>"$tmp/$who.err" || echo "tick_timing: $who ended with status $?" >&2
  echo "report $interval" >&"${LISTENER[1]}"
  local result
  read -r result <&"${LISTENER[0]}"
  echo "$who $interval $result"
}

for pair in $ticks; do
  interval=${pair%%:*} count=${pair##*:}
  { echo "Interval $interval"; for ((i = 0; i < count; i++)); do echo "Click "; done; } >"$tmp/clicks.sf"
  measure tessaline-play "$interval" "$play" "$tmp/clicks.sf"
  measure window "$interval" "$window" "$tmp/clicks.sf"
  measure xdotool "$interval" xdotool click --repeat "$count" --delay "$interval" 1
done
