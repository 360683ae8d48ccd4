#!/usr/bin/env bash
# Times a dry run of a generated 1,000,000-line scenario and reports its
# peak memory. Usage: dry_run_million.sh PATH/TO/tessaline-play [LINES]
set -euo pipefail
player=${1:?usage: dry_run_million.sh PATH/TO/tessaline-play [LINES]}
lines=${2:-1000000}
[ -x /usr/bin/time ] || { echo "dry_run_million: GNU time (/usr/bin/time, Debian package time) is missing" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The sample scenario's kinds of lines, without its Stop line, repeated.
awk -v n="$lines" 'BEGIN {
  split("Load link.htm||CurPos 118,141|Click |ClickRight |CurPos 144,155|Click ||Cycle 3|CurPos 20,68|Click |CurPos [750..769],[181..172]|Click |CycleEnd | |CurPos 28,69|Click |CurPos 388,214|KeyPress #13|Write Hello!|Interval 1|MouseLDown |MouseLUp |Interval 1000||CurPos 791,258|MouseLDown |CurPos 789,404|MouseLUp |CurPos 389,516|Click |KeyPress a", pat, "|")
  m = length(pat)
  for (i = 0; i < n; i++) print pat[(i % m) + 1]
}' > "$work/million.sf"
echo "scenario: $(wc -l < "$work/million.sf") lines, $(du -h "$work/million.sf" | cut -f1)"

/usr/bin/time -v "$player" --dry-run --clock 00:00:01.000 "$work/million.sf" > /dev/null 2> "$work/time.txt"
grep -E "Elapsed \(wall clock\)|Maximum resident set size|User time|System time|Exit status" "$work/time.txt"
