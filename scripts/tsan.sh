#!/usr/bin/env bash
# Builds the thumbnail and batch tests with ThreadSanitizer in a folder of
# their own and runs them: the workers that make thumbnails ahead, the shared
# decode budget and the recipe they call. No window, no benchmarks.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh" build test
build="${PLK_TSAN_BUILD_DIR:-$here/build-tsan}"
cmake -S "$here" -B "$build" -DPLK_BUILD_GUI=OFF -DPLK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_C_FLAGS="-fsanitize=thread" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null
cmake --build "$build" -j"${PLK_JOBS:-$(nproc)}" --target thumb_tests batch_tests
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
"$build/tests/thumb/thumb_tests" --gtest_brief=1
"$build/tests/batch/batch_tests" --gtest_brief=1
