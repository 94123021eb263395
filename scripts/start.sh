#!/usr/bin/env bash
# Installs what is missing, builds the two programs (no tests, no
# benchmarks), and starts the window.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh" build
PLK_BUILD_TARGETS="plinkavorte plinkavorte-batch" \
  "$here/scripts/build.sh" -DPLK_BUILD_GUI=ON -DPLK_BUILD_TESTS=OFF -DPLK_BUILD_BENCH=OFF
build="${PLK_BUILD_DIR:-$here/build}"
exec "$build/app/plinkavorte" "$@"
