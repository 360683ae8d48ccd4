#!/usr/bin/env bash
# Characters per second typed into an ordinary Wayland client on a private
# headless sway: tessaline-play playing one 'Write' line of N characters
# after 'Interval 1' (Latin letters, digits, punctuation, Shift characters, and characters the
# US layout lacks: é, ж, €, an emoji), then wtype typing the same text. The
# rate is taken where the characters arrive: N - 1 over the time from the
# client reading the first key press to reading the last. Each text must
# arrive exactly. The wall time of each process is printed too (the player's
# includes the first tick, a second after its start).
# Usage: benchmarks/wayland/typing_rate.sh [BUILD_DIR] (N from $CHARS, 1000)
# Prints one line per program: NAME chars GOT of N exact yes|no seconds S rate R wall W
set -euo pipefail
build=${1:-build}
chars=${CHARS:-1000}
play=$build/src/app/play/tessaline-play
observer=$build/benchmarks/wayland/wl_typing_observer
for tool in "$play" "$observer"; do
  [ -x "$tool" ] || { echo "typing_rate: $tool is not built" >&2; exit 2; }
done
for tool in sway wtype; do
  command -v $tool >/dev/null || { echo "typing_rate: $tool is not installed" >&2; exit 2; }
done

tmp=$(mktemp -d)
chmod 755 "$tmp"
sway_pid=""
observer_pid=""
cleanup() {
  [ -n "$observer_pid" ] && kill "$observer_pid" 2>/dev/null && wait "$observer_pid" 2>/dev/null || true
  [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null && wait "$sway_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# sway refuses to run as root: under root it runs as nobody.
runtime=$tmp/runtime
mkdir -m 700 "$runtime"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$runtime"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
printf 'output HEADLESS-1 pos 0 0 res 1024x768\n' >"$tmp/sway.conf"
env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
  "${as_user[@]}" sway -c "$tmp/sway.conf" >"$tmp/sway.log" 2>&1 &
sway_pid=$!
socket=""
for _ in $(seq 200); do
  socket=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -n1)
  [ -n "$socket" ] && break
  sleep 0.05
done
[ -n "$socket" ] || { echo "typing_rate: sway did not start" >&2; tail -n 5 "$tmp/sway.log" >&2; exit 2; }
export WAYLAND_DISPLAY=$socket
unset DISPLAY

XKB_DEFAULT_LAYOUT=us "$observer" --times >"$tmp/seen" &
observer_pid=$!
for _ in $(seq 200); do
  grep -qx ready "$tmp/seen" 2>/dev/null && break
  sleep 0.05
done
grep -qx ready "$tmp/seen" || { echo "typing_rate: the observer did not start" >&2; exit 2; }

# The text: N characters from a repeated sentence.
sentence='The quick brown fox jumps over the lazy dog; 0123456789 (AB+cd=EF?) é ж € 😀 '
text=""
while [ "${#text}" -lt "$chars" ]; do text+=$sentence; done
text=${text:0:$chars}
printf 'Interval 1\nWrite %s\n' "$text" >"$tmp/text.sf"

# Characters typed since line FROM of the observer's output.
typed_since() {
  tail -n +"$1" "$tmp/seen" | awk '/^key / { sub(/^key [^ ]* /, ""); printf "%s", $0 }'
}

# measure NAME COMMAND...: times the command, then waits (up to 10 s) for
# the observer to have all the text.
measure() {
  local name=$1
  shift
  local from start end got=""
  from=$(($(wc -l <"$tmp/seen") + 1))
  start=$(date +%s%N)
  "$@" >/dev/null 2>"$tmp/$name.err" || { echo "typing_rate: $name failed" >&2; cat "$tmp/$name.err" >&2; }
  end=$(date +%s%N)
  for _ in $(seq 200); do
    got=$(typed_since "$from")
    [ "${#got}" -ge "${#text}" ] && break
    sleep 0.05
  done
  local exact=no
  [ "$got" = "$text" ] && exact=yes
  tail -n +"$from" "$tmp/seen" | awk -v n="${#text}" -v got="${#got}" -v name="$name" -v exact="$exact" \
    -v ns=$((end - start)) '
    /^at / { if (first == "") first = $2; last = $2 }
    END { s = (last - first) / 1e6
          printf "%s chars %d of %d exact %s seconds %.3f rate %.1f wall %.3f\n", name, got, n, exact, s,
                 (s > 0 ? (n - 1) / s : 0), ns / 1e9 }'
}

measure tessaline-play "$play" --desktop wayland "$tmp/text.sf"
measure wtype wtype -- "$text"
