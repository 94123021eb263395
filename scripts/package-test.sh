#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it: lintian
# finds no error, the menu entry and the AppStream metainfo validate, the
# dependencies come from the linked libraries; then installs it with apt-get,
# runs both programs from /usr/bin and removes it again. Needs root (CI is).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
fail() { echo "package-test.sh: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "installing the package needs root"
if dpkg-query -W -f='${Status}' plinkavorte 2>/dev/null | grep -q "ok installed"; then
  fail "plinkavorte is installed already; remove it first (apt-get remove plinkavorte)"
fi

deb="$("$here/scripts/package.sh")"
[ -f "$deb" ] || fail "no package made: $deb"
scratch="$(mktemp -d)"
installed=0
finish() {
  [ "$installed" -eq 1 ] && apt-get purge -y -qq plinkavorte >/dev/null
  rm -rf "$scratch"
}
trap finish EXIT

lintian --fail-on error "$deb" || fail "lintian found errors"
dpkg-deb -x "$deb" "$scratch/root"
desktop-file-validate "$scratch/root/usr/share/applications/plinkavorte.desktop" || fail "the menu entry does not validate"
metainfo=("$scratch"/root/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "no metainfo file"
appstreamcli validate --no-net "${metainfo[@]}" || fail "the metainfo does not validate"
# The tree check also finds the menu entry and icon the metainfo names.
appstreamcli validate-tree --no-net "$scratch/root" || fail "the metainfo does not match the menu entry"
for file in usr/share/man/man1/plinkavorte.1.gz usr/share/man/man1/plinkavorte-batch.1.gz \
            usr/share/icons/hicolor/scalable/apps/plinkavorte.svg usr/share/doc/plinkavorte/copyright; do
  [ -f "$scratch/root/$file" ] || fail "not in the package: $file"
done
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libc6 libjpeg62-turbo libqt6widgets6 zlib1g; do
  grep -q "\b$library\b" <<<"$depends" || fail "no dependency on $library: $depends"
done

installed=1
(cd "$(dirname "$deb")" && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$(basename "$deb")" >/dev/null)
version="$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/plinkavorte --version)" || fail "plinkavorte --version failed"
grep -qx "plinkavorte [0-9][0-9.]*" <<<"$version" || fail "plinkavorte --version printed: $version"
help="$(/usr/bin/plinkavorte-batch --help)" || fail "plinkavorte-batch --help failed"
grep -q "^Usage: plinkavorte-batch" <<<"$help" || fail "plinkavorte-batch --help printed: $help"
apt-get purge -y -qq plinkavorte >/dev/null
installed=0
[ ! -e /usr/bin/plinkavorte ] && [ ! -e /usr/bin/plinkavorte-batch ] || fail "the programs stay after removal"
echo "package-test.sh: $(basename "$deb") builds, validates, installs, runs ($version) and is removed"
