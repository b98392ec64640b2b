#!/usr/bin/env bash
# Creates the withholdings database with its table when it does not exist yet.
# Usage: create-db.sh [database file]; default: ~/Retenciones/RETENCIONES.FDB
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/env.sh"
database="${1:-$HOME/Retenciones/RETENCIONES.FDB}"
[ -f "$database" ] && exit 0
mkdir -p "$(dirname "$database")"
{
  echo "SET SQL DIALECT 3;"
  echo "CREATE DATABASE '$database' USER 'SYSDBA' PASSWORD 'pinecrest' DEFAULT CHARACTER SET WIN1252;"
  cat "$root/db/schema.sql"
  echo "COMMIT;"
} | isql-fb -q -user SYSDBA -password pinecrest
echo "Created $database" >&2
