#!/usr/bin/env bash
# Start-up to window shown, and idle CPU, of build/src/app/tessaline under a
# private Xvfb. Usage: benchmarks/window/run-startup-idle.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
program="$build/src/app/tessaline"
probe="$build/benchmarks/window/tess_startup_probe"
home=$(mktemp -d)
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$home"' EXIT
read -r -t 10 number <&3
export DISPLAY=":$number" XDG_CONFIG_HOME="$home"
"$program" >/dev/null 2>&1 & warm=$!; sleep 2; kill $warm; wait $warm 2>/dev/null || true
for i in $(seq "$runs"); do
  "$probe" "$program" "$([ "$i" = "$runs" ] && echo 10 || echo 0)" 2>&1
done
