#!/usr/bin/env bash
# Installs what is missing, builds QUORVEX and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build quorvex quorvex_web
exec build/bin/quorvex
