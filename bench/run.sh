#!/bin/sh
# Runs the web view benchmarks on a private X server:
#   bench/run.sh [build folder] [X display]
# The build folder needs qv_e2e_host (a GTK build, Release for figures worth
# keeping); core_bench runs too when it was built. Figures go to stdout.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
display=${2:-:97}

if [ -e "/tmp/.X11-unix/X${display#:}" ]; then
  echo "display $display is taken; name a free one: bench/run.sh <build> :<n>" >&2
  exit 1
fi
Xvfb "$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null' EXIT INT TERM
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done
[ -e "/tmp/.X11-unix/X${display#:}" ] || { echo "Xvfb did not start on $display" >&2; exit 1; }

export QV_BUILD="$build" DISPLAY="$display"
python3 "$root/bench/roundtrip.py"
echo
python3 "$root/bench/throughput.py"
echo
python3 "$root/bench/idle.py"
echo
python3 "$root/bench/start.py"
if [ -x "$build/bin/core_bench" ]; then
  echo
  "$build/bin/core_bench"
fi
