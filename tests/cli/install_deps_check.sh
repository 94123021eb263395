#!/usr/bin/env bash
# install-deps.sh as a user without root: with sudo it installs through sudo,
# without sudo it says how to go on and installs nothing; with nothing missing
# it needs neither. id, dpkg-query, apt-get and sudo are stand-ins on a PATH
# of their own: a user who is not root, packages missing or not, and a record
# of what is called.
#   install_deps_check.sh SOURCE_DIR
set -euo pipefail
script="$1/scripts/install-deps.sh"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
mkdir "$scratch/log"
bin="$scratch/bin"
mkdir "$bin"
ln -s "$(command -v grep)" "$bin/grep"
stand_in() {
  printf '#!%s\n%s\n' "$(command -v bash)" "$2" >"$bin/$1"
  chmod 755 "$bin/$1"
}
stand_in id "echo 1000"
stand_in apt-get "echo \"apt-get \$*\" >>$scratch/log/calls"
stand_in sudo "echo \"sudo \$1\" >>$scratch/log/calls; exec \"\$@\""

run() {
  rm -f "$scratch/log/calls"
  status=0
  env -i PATH="$bin" "$(command -v bash)" "$script" "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  calls="$(cat "$scratch/log/calls" 2>/dev/null || true)"
}

stand_in dpkg-query "exit 1"
run build test
[ "$status" -eq 0 ] || fail "with sudo: exit $status: $(cat "$scratch/err")"
grep -qx "sudo apt-get" <<<"$calls" || fail "with sudo: apt-get was not called through sudo: $calls"
grep -q "^apt-get install .* libgtest-dev .*" <<<"$calls" || fail "with sudo: the test group was not installed: $calls"

rm "$bin/sudo"
run build
[ "$status" -eq 1 ] || fail "without sudo: exit $status"
grep -q "run as root, or install sudo" "$scratch/err" || fail "without sudo it said: $(cat "$scratch/err")"
grep -q "qt6-base-dev" "$scratch/err" || fail "without sudo the missing packages are not named: $(cat "$scratch/err")"
[ -z "$calls" ] || fail "without sudo something was called: $calls"

stand_in dpkg-query "echo -n 'install ok installed'"
run build test fuzz
[ "$status" -eq 0 ] || fail "nothing missing: exit $status: $(cat "$scratch/err")"
[ -z "$calls" ] || fail "nothing missing, yet called: $calls"
echo "install-deps.sh without root: through sudo, or a hint without it"
