# Sourced by the benchmark scripts. use_display TMPDIR: DISPLAY is
# $TESS_BENCH_DISPLAY when set (an Xvfb nobody else uses), else a private
# Xvfb started here, its process in xvfb_pid for the caller's cleanup.
use_display() {
  if [ -n "${TESS_BENCH_DISPLAY:-}" ]; then
    export DISPLAY=$TESS_BENCH_DISPLAY
    return
  fi
  mkfifo "$1/displayfd"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/displayfd" 2>/dev/null &
  xvfb_pid=$!
  local number
  read -r number <"$1/displayfd"
  export DISPLAY=":$number"
}
