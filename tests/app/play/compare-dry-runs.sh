#!/bin/sh
# compare-dry-runs.sh WINE WINDOWS_PLAYER LINUX_PLAYER DIR
# Plays every scenario in DIR (and the sample) as a dry run with both
# players under several sets of options and compares what they print on
# standard output and standard error, line ends aside, and their statuses.
set -u
wine=$1 windows=$2 linux=$3 dir=$4
cd "$(dirname "$0")/../../.." || exit 1  # file names relative to the project
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
runs=0
for file in "$dir"/*.sf examples/sample.sf tests/app/play/dry-runs/missing.sf; do
  file=${file#"$PWD/"}
  for options in "" "--halt-on-error" "--repeat --max-ticks 90" "--start 2"; do
    # shellcheck disable=SC2086
    "$linux" --dry-run --clock 00:00:01.000 $options "$file" >"$out/linux.out" 2>"$out/linux.err" </dev/null
    echo "status $?" >>"$out/linux.out"
    # shellcheck disable=SC2086
    "$wine" "$windows" --dry-run --clock 00:00:01.000 $options "$file" >"$out/win.raw" 2>"$out/win.rawerr" </dev/null
    echo "status $?" >>"$out/win.raw"
    tr -d '\r' <"$out/win.raw" >"$out/win.out"
    tr -d '\r' <"$out/win.rawerr" >"$out/win.err"
    runs=$((runs + 1))
    if ! cmp -s "$out/linux.out" "$out/win.out" || ! cmp -s "$out/linux.err" "$out/win.err"; then
      echo "differs: $file $options"
      diff "$out/linux.out" "$out/win.out" | head -n 20
      diff "$out/linux.err" "$out/win.err" | head -n 5
      failed=$((failed + 1))
    fi
  done
done
echo "$runs runs compared, $failed differ"
[ "$failed" -eq 0 ] && [ "$runs" -gt 0 ]
