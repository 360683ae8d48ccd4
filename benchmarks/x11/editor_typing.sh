#!/usr/bin/env bash
# Text typed into GUI editors that read their events late: mousepad (GTK 3),
# featherpad (Qt) and firefox-esr (a page's text area), each under openbox on one private Xvfb, with a private
# D-Bus session and home. For each case, tessaline-play plays
# 'Write TEXT' and then Ctrl+S, and xdotool types the same text with
# --delay 0 and then presses Ctrl+S, each into a fresh editor on an empty
# file; the editor's own Save gives the text back. The time runs from the
# start of the typist to the saved file; a run is exact when the file holds
# the text (a final line break the editor adds aside). Firefox gives the
# text area back in its window title on Ctrl+S: the length, a hash of the
# text and its last 30 characters (a title holds no more).
#   benchmarks/x11/editor_typing.sh [BUILD_DIR] [EDITOR...]
# Prints one line per run: CASE EDITOR PROGRAM EXACT(yes/no) SECONDS CHARS-RIGHT
# (CHARS-RIGHT: characters equal to the text, position by position).
set -euo pipefail
export LC_ALL=C.UTF-8
build=${1:-build}
shift || true
editors=("$@")
[ ${#editors[@]} -gt 0 ] || editors=(mousepad featherpad firefox-esr)
play=$build/src/app/play/tessaline-play
[ -x "$play" ] || { echo "editor_typing: $play is not built" >&2; exit 2; }
for tool in openbox xdotool xprop setxkbmap dbus-daemon "${editors[@]}"; do
  command -v "$tool" >/dev/null || { echo "editor_typing: $tool is not installed" >&2; exit 2; }
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
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export NO_AT_BRIDGE=1 GTK_A11Y=none

mkfifo "$tmp/bus"
dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$tmp/bus" >/dev/null 2>&1 &
pids+=($!)
read -r DBUS_SESSION_BUS_ADDRESS <"$tmp/bus"
export DBUS_SESSION_BUS_ADDRESS

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

# "yes" or "no" for the saved file against the text, then the characters
# equal position by position.
compare() {
  python3 - "$1" "$2" <<'PY'
import sys, urllib.parse
got = open(sys.argv[1], encoding="utf-8", errors="replace").read()
want = open(sys.argv[2], encoding="utf-8").read()
if got.startswith("saved:"):  # from Firefox's title
    length, digest, tail = got[6:].rsplit(" \u2014 ", 1)[0].strip().split(":", 2)
    h = 7
    for c in want:
        h = (h * 31 + ord(c)) & 0xffffffff
    exact = int(length) == len(want) and int(digest) == h and want.endswith(urllib.parse.unquote(tail))
    print("yes" if exact else "no", len(want) if exact else "?")
    sys.exit()
if got.endswith("\n") and not want.endswith("\n"):
    got = got[:-1]
print("yes" if got == want else "no", sum(1 for x, y in zip(got, want) if x == y))
PY
}

cat >"$tmp/page.html" <<'HTML'
<!doctype html><meta charset="utf-8"><title>ready</title>
<textarea id="t" autofocus></textarea>
<script>
const t = document.getElementById('t');
t.focus();
document.addEventListener('keydown', e => {
  if (e.ctrlKey && e.key.toLowerCase() === 's') {
    e.preventDefault();
    const hash = [...t.value].reduce((h, c) => (h * 31 + c.codePointAt(0)) >>> 0, 7);
    document.title = 'saved:' + t.value.length + ':' + hash + ':' + encodeURIComponent(t.value.slice(-30));
  }
});
</script>
HTML

# run CASE EDITOR PROGRAM TEXT
run() {
  local name=$1 editor=$2 program=$3 text=$4 n=$((${n:-0} + 1))
  local file=$tmp/$name-$editor-$program.txt
  : >"$file"
  printf '%s' "$text" >"$tmp/want.txt"
  local ready browser=""
  if [ "$editor" = firefox-esr ]; then
    browser=yes ready=ready
    firefox-esr --no-remote --new-instance --profile "$tmp/profile-$name-$program" \
      "file://$tmp/page.html" >/dev/null 2>&1 &
  else
    ready=$(basename "$file")
    "$editor" "$file" >/dev/null 2>&1 &
  fi
  local editor_pid=$!
  local title
  mkdir -p "$tmp/profile-$name-$program"
  for _ in $(seq 600); do
    title=$(xdotool getwindowfocus getwindowname 2>/dev/null || true)
    [[ $title == *"$ready"* ]] && break
    sleep 0.05
  done
  sleep 1  # the editor settles its new window first
  local start now
  start=$(date +%s%N)
  case $program in
    tessaline-play)
      printf 'Interval 1\nWrite %s\nKeyDown #17\nKeyPress S\nKeyUp #17\nStop\n' "$text" >"$tmp/write.sf"
      "$play" "$tmp/write.sf" >/dev/null 2>"$tmp/play.err" &
      ;;
    xdotool) { xdotool type --delay 0 -- "$text"; xdotool key ctrl+s; } &;;
  esac
  local typist=$! done_at=""
  local deadline=$((start + 60000000000))
  while now=$(date +%s%N); [ "$now" -lt "$deadline" ]; do
    if [ -n "$browser" ]; then
      title=$(xdotool getwindowfocus getwindowname 2>/dev/null || true)
      [[ $title == saved:* ]] && { printf '%s' "$title" >"$file"; done_at=$now; break; }
    elif [ -s "$file" ]; then
      done_at=$now
      break
    fi
    sleep 0.005
  done
  wait "$typist" 2>/dev/null || true
  sleep 0.3
  local exact chars seconds=n/a
  read -r exact chars < <(compare "$file" "$tmp/want.txt")
  [ -n "$done_at" ] && seconds=$(awk -v a="$start" -v b="$done_at" 'BEGIN { printf "%.3f", (b - a) / 1e9 - 0.001 }')
  echo "$name $editor $program $exact $seconds $chars"
  [ "$exact" = yes ] || [ ! -s "$tmp/play.err" ] || sed "s/^/editor_typing: $editor: /" "$tmp/play.err" >&2
  kill "$editor_pid" 2>/dev/null || true; wait "$editor_pid" 2>/dev/null || true
}

setxkbmap -layout us
# xdotool last: what it leaves behind (its scratch keycode, a key held)
# spoils the runs after it.
for editor in "${editors[@]}"; do run mixed-us "$editor" tessaline-play "$mixed"; done
for editor in "${editors[@]}"; do run mixed-us "$editor" xdotool "$mixed"; done
setxkbmap -layout us
