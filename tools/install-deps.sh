#!/usr/bin/env bash
# Installs the Debian 12 packages QUORVEX needs to build, run and test,
# skipping the ones already present. Needs root (or sudo).
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  libgtk-4-dev libwebkitgtk-6.0-dev libsoup-3.0-dev nlohmann-json3-dev
  libgtest-dev libbenchmark-dev
  # video panes and HLS
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-libav gstreamer1.0-gl
  # tests: X server and window manager, Wayland compositor and its seat module, real clicks,
  # screenshots, HLS stream, page tests, packaging checks
  xvfb xauth openbox weston libweston-10-dev xdotool x11-utils imagemagick ffmpeg nodejs python3 curl
  # tests: a private session bus and the notification service standing in for the desktop's
  dbus-daemon python3-gi
  desktop-file-utils appstream dpkg-dev file librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Instalando: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
