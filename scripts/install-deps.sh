#!/usr/bin/env bash
# Brings the Debian packages a task needs; installs only what is missing.
#   scripts/install-deps.sh [--list] [build] [test] [fuzz] [package]     (no group: build)
#   build    compile and run both programs
#   test     the test suites and benchmarks (Xvfb for the window, peers to check against)
#   fuzz     the fuzzers (clang with its sanitizer runtimes)
#   package  the Debian package and its checks (dpkg-shlibdeps, lintian, appstreamcli)
# --list prints the groups' packages instead of installing them.
set -euo pipefail

list_only=0
if [ "${1:-}" = --list ]; then
  list_only=1
  shift
fi

build_packages=(
  g++ cmake make pkg-config
  libjpeg62-turbo-dev zlib1g-dev libicu-dev
  libpng-dev libwebp-dev libtiff-dev libheif-dev libraw-dev liblcms2-dev
  qt6-base-dev fonts-dejavu-core
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
)
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-apps x11-utils libxtst6 openbox dbus-daemon
  unzip zip python3 python3-pil desktop-file-utils xdotool qt6-gtk-platformtheme
  libheif-examples libvips-tools
  at-spi2-core python3-pyatspi
)
fuzz_packages=(
  clang libclang-rt-14-dev
)
package_packages=(
  dpkg-dev file lintian appstream desktop-file-utils
)

groups=("$@")
[ ${#groups[@]} -eq 0 ] && groups=(build)
packages=()
for group in "${groups[@]}"; do
  case "$group" in
    build) packages+=("${build_packages[@]}") ;;
    test) packages+=("${test_packages[@]}") ;;
    fuzz) packages+=("${fuzz_packages[@]}") ;;
    package) packages+=("${package_packages[@]}") ;;
    *) echo "install-deps.sh: unknown group '$group' (build, test, fuzz or package)" >&2; exit 2 ;;
  esac
done

if [ "$list_only" -eq 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "install-deps.sh: these packages are missing: ${missing[*]}" >&2
      echo "install-deps.sh: installing them needs root: run as root, or install sudo" >&2
      exit 1
    fi
    sudo_cmd=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
