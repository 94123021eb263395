#!/usr/bin/env bash
# Configures and builds into ./build (or $PLK_BUILD_DIR) with the given extra CMake options.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${PLK_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${PLK_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
