#!/usr/bin/env bash
# Installs what is missing, builds the program for installation under /usr
# into build-package/ (with Debian's hardening flags, without the tests) and
# writes the Debian package build/package/retenciones_<version>_<arch>.deb;
# then checks it with lintian and its desktop entry and metadata with
# desktop-file-validate and appstreamcli. Any error fails the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/install-deps.sh" package
build="${RETENCIONES_PACKAGE_BUILD_DIR:-$root/build-package}"
output="$root/build/package"

# The flags Debian's own packages are built with, with every hardening
# feature (immediate binding too).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DRETENCIONES_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
rm -rf "$output"
(cd "$build" && cpack -B "$output" >/dev/null)
rm -rf "$output/_CPack_Packages"
deb="$(ls "$output"/retenciones_*.deb)"
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends

# lintian: errors fail the run; warnings and the rest are shown.
lintian --fail-on error --display-info "$deb"

# The installed desktop entry and metadata, as the package holds them.
contents="$(mktemp -d)"
trap 'rm -rf "$contents"' EXIT
dpkg-deb --extract "$deb" "$contents"
desktop-file-validate "$contents"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml
echo "package checks: clean"
