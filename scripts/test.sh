#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite. The tests'
# temporary files go to a folder of this run, which must be empty at the end.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh" build test
"$here/scripts/build.sh" -DPLK_BUILD_GUI=ON -DPLK_BUILD_TESTS=ON -DPLK_BUILD_BENCH=ON
build="${PLK_BUILD_DIR:-$here/build}"

made=()
trap 'rm -rf "${made[@]}"' EXIT
# Qt wants a private runtime folder; these machines have none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d)"
  made+=("$XDG_RUNTIME_DIR")
  export XDG_RUNTIME_DIR
fi
chmod 700 "$XDG_RUNTIME_DIR"
tests_tmp="$(mktemp -d)"
# Open to all as /tmp is: some tests run parts as other users, who make
# and read their folders here.
chmod 1777 "$tests_tmp"
made+=("$tests_tmp")

cd "$build"
status=0
TMPDIR="$tests_tmp" ctest --output-on-failure -j"$(nproc)" --timeout 300 || status=$?
if [ -n "$(ls -A "$tests_tmp")" ]; then
  echo "test.sh: the tests left these in the temporary folder:" >&2
  (cd "$tests_tmp" && find . -mindepth 1 -maxdepth 2 | sort) >&2
  status=1
fi
exit "$status"
