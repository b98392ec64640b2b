#!/usr/bin/env bash
# Installs what is missing, builds, creates the database if absent and starts
# the program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/build.sh"
source "$root/scripts/env.sh"
bash "$root/scripts/create-db.sh"
exec "${RETENCIONES_BUILD_DIR:-$root/build}/app/retenciones"
