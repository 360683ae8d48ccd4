#!/usr/bin/env bash
# The deployed Windows folder (scripts/package-windows) on a machine with
# nothing installed: a fresh Wine prefix, no Qt on any path, the windows
# platform plugin, a private Xvfb with openbox. The main window "Tessaline
# 0003" appears and stays on top; closing it stores its placement in
# HKCU\Software\Velmora\Tessaline 0003 and the next start restores it.
# Every wait is on observable state, bounded. Usage: deployed-window.sh DIST
set -euo pipefail
dist=$(cd "$1" && pwd)
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM
xvfb_pid="" wm_pid=""
stop() {
  wineserver -k 2>/dev/null || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap stop EXIT
fail() { echo "deployed-window: $*" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")
openbox >/dev/null 2>&1 &
wm_pid=$!
wineboot -i </dev/null >/dev/null 2>&1

# Waits up to 90 s for the main window; prints its X window.
main_window() {
  for _ in $(seq 900); do
    w=$(xdotool search --onlyvisible --name '^Tessaline 0003$' 2>/dev/null | head -n 1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
placement() {
  wine reg query 'HKCU\Software\Velmora\Tessaline 0003' </dev/null 2>/dev/null |
    tr -d '\r' | awk '$2 == "REG_DWORD" { print $1 "=" $3 }' | sort | tr '\n' ' '
}
# Closes the window as its title bar's close button does; waits for the end.
close_window() {
  xdotool windowactivate --sync "$1" key --clearmodifiers alt+F4 2>/dev/null || true
  for _ in $(seq 600); do kill -0 "$2" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$2" 2>/dev/null && fail "the window did not end after its close"
  wait "$2" || fail "the window ended with status $?"
}

wine "$dist/tessaline.exe" </dev/null >"$work/out1" 2>&1 &
pid=$!
w=$(main_window) || fail "no window 'Tessaline 0003' appeared: $(cat "$work/out1")"
xprop -id "$w" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "the main window is not on top"
[ -z "$(placement)" ] || fail "a placement is stored before the first close"
xdotool windowsize --sync "$w" 520 430 windowmove --sync "$w" 240 170
close_window "$w" "$pid"
first=$(placement)
for name in height left top width; do
  [[ $first == *"$name=0x"* ]] || fail "'$name' is not stored: $first"
done
[[ $first == *"width=0x208"* ]] || fail "the stored width is not the window's (520): $first"

wine "$dist/tessaline.exe" </dev/null >"$work/out2" 2>&1 &
pid=$!
w=$(main_window) || fail "no window at the second start: $(cat "$work/out2")"
close_window "$w" "$pid"
second=$(placement)
[ "$first" = "$second" ] || fail "the second start did not restore the placement: $first / $second"
echo "deployed-window: ok ($first)"
