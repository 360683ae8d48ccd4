#!/usr/bin/env bash
# Starts PROGRAM (the window) on a private Xvfb as a user would, with a
# fresh home, finds its main window, takes its picture into OUT.png (the
# AppStream entry's screenshot) and ends it with SIGTERM, which it must
# answer with status 143.
# usage: window-screenshot.sh PROGRAM OUT.png
set -uo pipefail
program=$1 out=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb_pid="" window_pid=""
cleanup() {
  [ -n "$window_pid" ] && kill -KILL "$window_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# shellcheck source=../../benchmarks/lib/xvfb.sh
. "$here/../../benchmarks/lib/xvfb.sh"
unset TESS_BENCH_DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
use_display "$work"
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
  XDG_RUNTIME_DIR=$work/run "$program" 2>"$work/stderr" &
window_pid=$!

window=$(timeout 60 xdotool search --sync --onlyvisible --pid "$window_pid" --name 'Tessaline' | head -n 1)
if [ -z "$window" ]; then
  echo "FAIL: no window of $program appeared"; cat "$work/stderr"; exit 1
fi
# The window is mapped before it is painted: dump it until the picture holds
# more than its background.
taken=0
for _ in $(seq 100); do
  xwd -silent -id "$window" >"$work/window.xwd" 2>/dev/null || continue
  python3 "$here/xwd-to-png.py" "$work/window.xwd" "$out"
  case $? in
    0) taken=1; break ;;
    3) ;;  # not painted yet
    *) echo "FAIL: cannot read the window dump"; exit 1 ;;
  esac
done
[ "$taken" -eq 1 ] || { echo "FAIL: no picture of the window"; exit 1; }

kill -TERM "$window_pid"
wait "$window_pid"
status=$?
window_pid=""
[ "$status" -eq 143 ] || { echo "FAIL: $program ended with $status after SIGTERM, not 143"; cat "$work/stderr"; exit 1; }
echo "window found, picture in $out"
