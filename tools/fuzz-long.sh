#!/usr/bin/env bash
# The dispatcher fuzzer for a long run (10 million executions by default):
# no crash and no sanitizer report. The test command runs it briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10000000}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQV_FUZZ=ON -DQV_SANITIZE=ON -DQV_GTK=OFF \
  -DQV_BENCH=OFF >/dev/null
ninja -C build-fuzz dispatch_fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
build-fuzz/bin/dispatch_fuzz -runs="$runs" -max_len=512 -jobs=1 "$corpus" tests/fuzz/seeds
