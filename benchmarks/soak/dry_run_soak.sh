#!/usr/bin/env bash
# Soak of the engine: a dry run of a repeating scenario that uses every
# command except Stop (ranges, cycles, intervals, keys, Write, Load, clicks,
# failing lines) for 10,000,000 ticks, with the player's resident memory
# sampled from /proc while it runs. Memory is flat when the largest sample of
# the second half exceeds the largest of the first half by no more than the
# tolerance.
#
#   benchmarks/soak/dry_run_soak.sh [tessaline-play] [ticks] [tolerance-kB]
#   defaults: build/src/app/play/tessaline-play, 10000000, 256
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
player=${1:-build/src/app/play/tessaline-play}
ticks=${2:-10000000}
tolerance=${3:-256}
[[ -x $player ]] || { echo "dry_run_soak: no player at $player" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rss() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || true; }

start=$(date +%s.%N)
"$player" --dry-run --repeat --max-ticks "$ticks" "$here/every_command.sf" >/dev/null &
pid=$!
while kill -0 "$pid" 2>/dev/null; do
    sample=$(rss "$pid")
    [[ -n $sample ]] && echo "$sample" >>"$work/rss"
    sleep 0.05
done
status=0
wait "$pid" || status=$?
end=$(date +%s.%N)
[[ $status -eq 0 ]] || { echo "dry_run_soak: the player exited with status $status" >&2; exit 1; }

awk -v t0="$start" -v t1="$end" -v ticks="$ticks" -v tol="$tolerance" '
{ s[NR] = $1 }
END {
    n = NR
    if (n < 4) { print "dry_run_soak: too few samples (" n ")"; exit 1 }
    half = int(n / 2)
    for (i = 1; i <= n; i++) {
        if (i <= half) { if (s[i] > a) a = s[i] }
        else if (s[i] > b) b = s[i]
    }
    printf "ticks: %d in %.1f s (%.1f million ticks/s)\n", ticks, t1 - t0, ticks / (t1 - t0) / 1e6
    printf "RSS samples: %d; first %d kB, at the middle %d kB, last %d kB\n", n, s[1], s[half], s[n]
    printf "largest first half %d kB, largest second half %d kB, growth %d kB (tolerance %d kB)\n", a, b, b - a, tol
    if (b - a > tol) { print "memory: GROWING"; exit 1 }
    print "memory: flat"
}' "$work/rss"
