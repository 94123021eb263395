#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
build="${PLK_BUILD_DIR:-$here/build}"
if [ -x "$build/app/plinkavorte" ]; then
  exec "$build/app/plinkavorte" "$@"
fi
echo "Built. The window program is not part of this build yet." >&2
