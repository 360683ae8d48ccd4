#!/usr/bin/env bash
# Text typed into a real client: xterm (running cat) under openbox on one
# private Xvfb. For each text, tessaline-play plays 'Write TEXT', then
# xdotool types the same text with --delay 0 into a fresh xterm. The time is
# the client's: from the first byte cat writes to the last; a character
# counts when the bytes cat wrote equal the text. A listener counts the
# keyboard mapping changes the X server announces meanwhile (XKB map
# notifications). The client's bytes are polled every few milliseconds.
#   benchmarks/x11/typing.sh [BUILD_DIR]
# Prints one line per run: CASE PROGRAM EXACT(yes/no) SECONDS CHANGES CHARS
# With TESS_BENCH_DISPLAY set (":N", an Xvfb nobody else uses) it types
# there instead of starting its own server.
set -euo pipefail
export LC_ALL=C.UTF-8
build=${1:-build}
play=$build/src/app/play/tessaline-play
counter=$build/benchmarks/x11/x11_mapping_counter
for tool in "$play" "$counter"; do
  [ -x "$tool" ] || { echo "typing: $tool is not built" >&2; exit 2; }
done
for tool in xterm openbox xdotool xprop setxkbmap; do
  command -v "$tool" >/dev/null || { echo "typing: $tool is not installed" >&2; exit 2; }
done

tmp=$(mktemp -d)
pids=()
xvfb_pid=""
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

. "$(dirname "$0")/../lib/xvfb.sh"
use_display "$tmp"

openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
  sleep 0.05
done

# The first 1,000 characters of a text repeated.
thousand() {
  local text=$1 all=""
  while [ ${#all} -lt 1000 ]; do all+="$text "; done
  printf '%s' "${all:0:1000}"
}
mixed=$(thousand "Съешь же ещё этих мягких французских булок, да выпей чаю. Ξεσκεπάζω την ψυχοφθόρα βδελυγμία. ΑΒΓΔ Ёж")
russian=$(thousand "Съешь же ещё этих мягких французских булок, да выпей чаю. Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства.")

# run CASE PROGRAM TEXT: one xterm, one typist, one line of results.
run() {
  local name=$1 program=$2 text=$3 out=$tmp/$1-$2.txt
  local bytes
  bytes=$(printf '%s' "$text" | wc -c)
  xterm -u8 -T "typing-$name-$program" -e sh -c "stty raw -echo; exec cat > '$out'" &
  local xterm_pid=$!
  for _ in $(seq 400); do
    [ -e "$out" ] && xdotool getwindowfocus getwindowname 2>/dev/null | grep -qx "typing-$name-$program" && break
    sleep 0.05
  done
  sleep 0.5  # the window manager settles the new window first
  coproc COUNTER { "$counter"; }
  local ready
  read -r ready <&"${COUNTER[0]}"
  case $program in
    tessaline-play)
      printf 'Interval 1\nWrite %s\nStop\n' "$text" >"$tmp/write.sf"
      "$play" "$tmp/write.sf" >/dev/null 2>"$tmp/play-$name.err" &
      ;;
    xdotool) xdotool type --delay 0 -- "$text" &;;
  esac
  local typist=$! first="" last="" size=0 now start
  start=$(date +%s%N)
  local deadline=$(($(date +%s%N) + 30000000000))
  while now=$(date +%s%N); [ "$now" -lt "$deadline" ]; do
    size=$(stat -c %s "$out" 2>/dev/null || echo 0)
    [ -z "$first" ] && [ "$size" -gt 0 ] && first=$now
    if [ "$size" -ge "$bytes" ]; then last=$now; break; fi
    if ! kill -0 "$typist" 2>/dev/null && [ -n "$first" ]; then
      # The typist is done; what has not arrived 2 s later never will.
      [ -z "${gone:-}" ] && gone=$now
      [ $((now - gone)) -gt 2000000000 ] && { last=$gone; break; }
    fi
    sleep 0.002
  done
  unset gone
  wait "$typist" 2>/dev/null || true
  sleep 0.3
  local changes exact=no chars
  exec {COUNTER[1]}>&-
  read -r changes <&"${COUNTER[0]}" || changes=n/a
  wait "$COUNTER_PID" 2>/dev/null || true
  cmp -s "$out" <(printf '%s' "$text") && exact=yes
  chars=$(wc -m <"$out" 2>/dev/null || echo 0)
  local seconds=n/a
  local idle=0
  [ "$program" = tessaline-play ] && idle=1
  [ -n "$first" ] && [ -n "$last" ] &&
    seconds=$(awk -v a="$start" -v b="$last" -v i="$idle" 'BEGIN { printf "%.3f", (b - a) / 1e9 - i }')
  echo "$name $program $exact $seconds $changes $chars"
  [ "$exact" = yes ] || [ ! -s "$tmp/play-$name.err" ] || sed "s/^/typing: $name: /" "$tmp/play-$name.err" >&2
  kill "$xterm_pid" 2>/dev/null || true; wait "$xterm_pid" 2>/dev/null || true
}

# xdotool last: it may leave its scratch keycode behind.
setxkbmap -layout ru
run russian-ru tessaline-play "$russian"
run russian-ru xdotool "$russian"
setxkbmap -layout us
run mixed-us tessaline-play "$mixed"
run mixed-us xdotool "$mixed"
setxkbmap -layout us
