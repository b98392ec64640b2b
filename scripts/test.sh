#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite (no display needed).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/build.sh"
source "$root/scripts/env.sh"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${RETENCIONES_BUILD_DIR:-$root/build}" --output-on-failure -j "$(nproc)" "$@"
