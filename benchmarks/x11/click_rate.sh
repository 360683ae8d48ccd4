#!/usr/bin/env bash
# Click rate on one private Xvfb: tessaline-play playing 'Interval 1' and
# N 'Click ' lines, then xdotool clicking N times with a 1 ms delay. An
# XInput2 raw-event listener counts the presses the server delivered; the
# rate comes from the server's own timestamps of the first and last press.
# Last, xdotool clicks N times without a pause, for its cost of one click.
# Usage: benchmarks/x11/click_rate.sh [BUILD_DIR] (N from $CLICKS, 10000)
# With TESS_BENCH_DISPLAY set (":N", an Xvfb nobody else uses) it clicks
# there instead of starting its own server.
set -euo pipefail
build=${1:-build}
clicks=${CLICKS:-10000}
play=$build/src/app/play/tessaline-play
counter=$build/benchmarks/x11/x11_click_counter
for tool in "$play" "$counter"; do
  [ -x "$tool" ] || { echo "click_rate: $tool is not built" >&2; exit 2; }
done
command -v xdotool >/dev/null || { echo "click_rate: xdotool is not installed" >&2; exit 2; }

tmp=$(mktemp -d)
xvfb_pid=""
cleanup() {
  # The counter ends when its input closes; only then the server goes.
  if [ -n "${counter_pid:-}" ]; then
    exec {COUNTER[1]}>&- 2>/dev/null || true
    wait "$counter_pid" 2>/dev/null || true
  fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

. "$(dirname "$0")/../lib/xvfb.sh"
use_display "$tmp"

coproc COUNTER { "$counter"; }
counter_pid=$COUNTER_PID
read -r ready <&"${COUNTER[0]}"
[ "$ready" = ready ] || { echo "click_rate: the counter did not start" >&2; exit 2; }

{ echo "Interval 1"; for ((i = 0; i < clicks; i++)); do echo "Click "; done; } >"$tmp/clicks.sf"

# measure NAME COMMAND...: runs the command, then asks the counter.
measure() {
  local name=$1
  shift
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo report >&"${COUNTER[1]}"
  local count first last
  read -r count first last <&"${COUNTER[0]}"
  local span=$((last - first))
  local rate="n/a"
  [ "$span" -gt 0 ] && rate=$(awk -v c="$count" -v s="$span" 'BEGIN { printf "%.1f", (c - 1) * 1000 / s }')
  printf '%-15s presses received %6d of %d   clicks/s %8s   server span %6d ms   wall %6d ms\n' \
    "$name" "$count" "$clicks" "$rate" "$span" $(((end - start) / 1000000))
}

measure tessaline-play "$play" "$tmp/clicks.sf"
measure xdotool xdotool click --repeat "$clicks" --delay 1 1
# xdotool without a pause: its own cost of one click, server span / clicks.
measure xdotool-burst xdotool click --repeat "$clicks" --delay 0 1
