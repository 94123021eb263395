#!/usr/bin/env bash
# What "cmake --install BUILD --strip" puts in place: stripped programs that
# answer --version (and the window --help without a display), and the
# manual pages of both.
#   install_check.sh BUILD_DIR WITH_WINDOW(ON|OFF)
set -euo pipefail
build="$1"
with_window="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$scratch/usr" --strip >/dev/null
programs=(plinkavorte-batch)
[ "$with_window" = ON ] && programs+=(plinkavorte)
for program in "${programs[@]}"; do
  installed="$scratch/usr/bin/$program"
  [ -x "$installed" ] || fail "$program is not installed"
  if readelf -S "$installed" | grep -q '\.symtab'; then fail "$program is not stripped"; fi
  [ -f "$scratch/usr/share/man/man1/$program.1" ] || fail "no manual page for $program"
  head -1 "$scratch/usr/share/man/man1/$program.1" | grep -q '^\.TH' || fail "$program.1 is no manual page"
  "$installed" --version | grep -qx "$program [0-9][0-9.]*" || fail "$program --version"
  # A full or closed output is a failure with a word, as for GNU tools.
  for closed in '>/dev/full' '>&-'; do
    if said="$(eval "\"\$installed\" --help $closed" 2>&1)"; then fail "$program --help $closed exited 0"; fi
    grep -q "^$program: write error: " <<<"$said" || fail "$program --help $closed said: $said"
  done
done
if [ "$with_window" = ON ]; then
  # Qt would abort without a display; the answer must come before it starts.
  help="$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$scratch/usr/bin/plinkavorte" --help)" ||
    fail "plinkavorte --help did not exit 0"
  grep -q '^Usage: plinkavorte \[PATH\.\.\.\]' <<<"$help" || fail "plinkavorte --help printed: $help"
fi
echo "installed: ${programs[*]}"
