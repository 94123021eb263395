#!/usr/bin/env bash
# The start command's build needs none of the test packages: the group it
# installs names none of them, and the source configures with the tests and
# benchmarks off while GTest and benchmark count as missing. A configure
# without a build type makes a Release build of both programs.
#   start_build_check.sh SOURCE_DIR
set -euo pipefail
source_dir="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

grep -qx '"$here/scripts/install-deps.sh" build' "$source_dir/scripts/start.sh" ||
  fail "start.sh does not install the build group alone"
build_list="$("$source_dir/scripts/install-deps.sh" --list build)"
for p in $("$source_dir/scripts/install-deps.sh" --list test fuzz); do
  if grep -qx -- "$p" <<<"$build_list"; then fail "the build group holds the test or fuzz package $p"; fi
done
for p in g++ cmake libjpeg62-turbo-dev zlib1g-dev qt6-base-dev; do
  grep -qx -- "$p" <<<"$build_list" || fail "the build group lacks $p"
done

if ! cmake -S "$source_dir" -B "$scratch/build" -DPLK_BUILD_TESTS=OFF -DPLK_BUILD_BENCH=OFF \
       -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
       >"$scratch/configure.log" 2>&1; then
  cat "$scratch/configure.log" >&2
  fail "the start command's configure needs a test package"
fi
grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$scratch/build/CMakeCache.txt" || fail "the default build type is not Release"
targets="$(cmake --build "$scratch/build" --target help)"
for t in plinkavorte plinkavorte-batch; do
  grep -qx "\.\.\. $t" <<<"$targets" || fail "no target $t"
done
if grep -q '_tests$\|_bench$\|gtest' <<<"$targets"; then fail "tests or benchmarks are configured"; fi
echo "start build configures without the test packages"
