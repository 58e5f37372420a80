#!/bin/sh
# Runs every benchmark on a private X server and writes bench/RESULTS.md:
#   bench/run.sh [build folder] [X display] [baseline revision]
# The build folder needs qv_e2e_host and qv_watchdog (a GTK build with the
# benchmarks on); qv_delivery_bench, qv_echo_bench and core_bench run too when they were built. With a baseline
# revision (say, main), that revision is built once into build-baseline/
# beside this checkout and measured in the same run, paired with this build.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
display=${2:-:97}
baseline=${3:-}
out="$root/bench/RESULTS.md"

if [ -n "$baseline" ]; then
  tree="$root/build-baseline/src"
  if [ ! -d "$tree" ]; then
    git -C "$root" worktree add --detach "$tree" "$baseline" >/dev/null
  else
    git -C "$tree" checkout --detach -q "$baseline"
  fi
  type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")
  cmake -S "$tree" -B "$root/build-baseline/build" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DQV_BENCH=OFF >/dev/null
  ninja -C "$root/build-baseline/build" -j1 qv_e2e_host >/dev/null
  export QV_BASELINE="$root/build-baseline/build"
fi

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
# A window manager, as on a desktop: GTK waits on it for some of its frames.
if command -v openbox >/dev/null; then
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  trap 'kill "$wm" "$xvfb" 2>/dev/null' EXIT INT TERM
fi

gpu="ninguna"
for node in /dev/dri/renderD*; do [ -e "$node" ] && gpu="$node"; done
{
  echo "# Cifras medidas"
  echo
  echo "Escrito por \`bench/run.sh\` el $(date -u '+%Y-%m-%d %H:%M UTC'). Máquina:" \
    "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
    "$(nproc) núcleos, $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo | tr . ,) de memoria," \
    "GPU: $gpu; $(. /etc/os-release && echo "$PRETTY_NAME"), WebKitGTK $(pkg-config --modversion webkitgtk-6.0)," \
    "libsoup $(pkg-config --modversion libsoup-3.0); Xvfb con openbox." \
    "Compilación $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")."
  echo "La máquina es compartida con otras compilaciones (carga media al empezar:" \
    "$(cut -d' ' -f1 /proc/loadavg | tr . ,)): las cifras absolutas valen menos que las proporciones, y cada" \
    "comparación se mide alternando los programas en la misma pasada."
  echo
  echo "«ahora» es $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD || echo ' con cambios sin confirmar')."
  [ -n "$baseline" ] && echo "«antes» es $baseline ($(git -C "$root/build-baseline/src" rev-parse --short HEAD))."
  echo
  python3 "$root/bench/throughput.py"
  echo
  if [ -x "$build/bin/qv_delivery_bench" ]; then
    "$build/bin/qv_delivery_bench"
    echo
  fi
  python3 "$root/bench/roundtrip.py"
  echo
  python3 "$root/bench/reply_memory.py"
  echo
  python3 "$root/bench/idle.py"
  echo
  python3 "$root/bench/dashboard.py"
  echo
  python3 "$root/bench/dashboard_floor.py"
  echo
  python3 "$root/bench/equity_line.py"
  echo
  python3 "$root/bench/start.py"
  echo
  python3 "$root/bench/panes.py"
  echo
  python3 "$root/bench/hibernation.py"
  echo
  python3 "$root/bench/video.py"
  if [ -x "$build/bin/core_bench" ]; then
    echo
    echo "### Núcleo (\`core_bench\`)"
    echo
    echo '```'
    "$build/bin/core_bench" --benchmark_min_time=0.2 2>/dev/null | sed -n '/^BM_/p'
    echo '```'
  fi
} >"$out.new"
mv "$out.new" "$out"
echo "wrote $out"
