#!/usr/bin/env bash
# Builds the window and takes the README's screenshot under Xvfb into
# docs/window.png (or the file named).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
output="${1:-$here/docs/window.png}"
"$here/scripts/install-deps.sh" build test
PLK_BUILD_TARGETS="plinkavorte make_test_jpeg" \
  "$here/scripts/build.sh" -DPLK_BUILD_GUI=ON -DPLK_BUILD_TESTS=ON
build="${PLK_BUILD_DIR:-$here/build}"
# Qt wants a private runtime folder; these machines have none. One made here
# is removed at the end.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d)"
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
  export XDG_RUNTIME_DIR
fi
chmod 700 "$XDG_RUNTIME_DIR"
mkdir -p "$(dirname "$output")"
xvfb-run -a -s "-screen 0 1280x800x24" \
  python3 "$here/scripts/screenshot.py" "$build/app/plinkavorte" "$build/tests/app/make_test_jpeg" "$output"
