#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Does nothing (and asks apt nothing) when every package is already installed and
# the test locales exist.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  fonts-liberation fonts-dejavu-core fonts-wine qt6-translations-l10n
  ninja-build
  qpdf poppler-utils mupdf-tools
  xvfb xauth
  libtiff-dev libhpdf-dev
  locales
)
# The locales the locale tests run the program under.
test_locales=(es_AR tr_TR)
# "install-deps.sh fuzz" adds what scripts/fuzz.sh needs: clang with libFuzzer
# and the sanitizer runtimes.
if [ "${1:-}" = fuzz ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

# "install-deps.sh memcheck" adds valgrind for scripts/memcheck.sh.
if [ "${1:-}" = memcheck ]; then
  packages+=(valgrind)
fi

# "install-deps.sh package" adds the checkers scripts/package.sh runs on the
# Debian package and on its desktop entry and metadata.
if [ "${1:-}" = package ]; then
  packages+=(lintian desktop-file-utils appstream file procps)
fi

# "install-deps.sh icons" adds rsvg-convert for scripts/make-icons.sh.
if [ "${1:-}" = icons ]; then
  packages+=(librsvg2-bin)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
if [ ${#missing[@]} -ne 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Generated only when missing; "locale -a" spells them es_AR.utf8.
for l in "${test_locales[@]}"; do
  if ! locale -a 2>/dev/null | grep -qx "$l.utf8"; then
    echo "Generating the locale $l.UTF-8" >&2
    "${sudo_cmd[@]}" localedef -i "$l" -f UTF-8 "$l.UTF-8"
  fi
done
