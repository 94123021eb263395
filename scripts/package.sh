#!/usr/bin/env bash
# Builds the Debian package of both programs with Debian's compiler and linker
# flags, in build-package/ (or $PLK_PACKAGE_BUILD_DIR), and prints its path:
#   build-package/plinkavorte_<version>_<architecture>.deb
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh" build package
build="${PLK_PACKAGE_BUILD_DIR:-$here/build-package}"
# Every hardening Debian knows, immediate binding included.
export DEB_BUILD_MAINT_OPTIONS="${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}"
# CMake reads no CPPFLAGS: the fortify define goes with the compiler flags.
cppflags="$(dpkg-buildflags --get CPPFLAGS)"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release \
      -DPLK_BUILD_GUI=ON -DPLK_BUILD_TESTS=OFF -DPLK_BUILD_BENCH=OFF \
      -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)" --target plinkavorte plinkavorte-batch >&2
rm -f "$build"/plinkavorte_*.deb
(cd "$build" && cpack -G DEB >&2)
ls "$build"/plinkavorte_*.deb
