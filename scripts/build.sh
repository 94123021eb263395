#!/usr/bin/env bash
# Configures and builds into ./build (or $PLK_BUILD_DIR) with the given extra
# CMake options; $PLK_BUILD_TARGETS (blank-separated) limits what is built.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${PLK_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${PLK_BUILD_TYPE:-Release}" "$@" >/dev/null
targets=()
for t in ${PLK_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
